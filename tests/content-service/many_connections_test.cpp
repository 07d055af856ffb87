// The service serves a thousand connections that are open at the same time.
#include "raw_http.h"
#include "support/service_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <signal.h>
#include <thread>
#include <vector>

namespace seo::service_test {
namespace {

constexpr int kConnections = 1000;

int ConnectTo(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST(ManyConnections, AThousandOpenAtOnceAreEachAnswered) {
    ASSERT_GE(RaiseOpenFileLimit(), static_cast<unsigned long>(kConnections + 64))
        << "this test needs more open files than the hard limit allows";
    ServiceProcess service;
    ASSERT_GT(service.Port(), 0);

    // Every connection is open before any request goes out.
    std::vector<int> sockets;
    for (int i = 0; i < kConnections; ++i) {
        const int fd = ConnectTo(service.Port());
        ASSERT_GE(fd, 0) << "connection " << i;
        sockets.push_back(fd);
    }
    std::vector<std::string> expected(kConnections);
    for (int i = 0; i < kConnections; ++i) {
        const std::string article = "因为 " + std::to_string(i);
        expected[i] = "由于 " + std::to_string(i);
        const std::string payload = Base64(article);
        const std::string request = FormRequest(FormBody(payload, SignatureOf(payload)));
        ASSERT_EQ(send(sockets[i], request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    }

    // Read all answers side by side; each connection ends when the service closes it.
    std::vector<std::string> received(kConnections);
    std::vector<pollfd> waiting;
    for (int fd : sockets) waiting.push_back({fd, POLLIN, 0});
    std::size_t open = sockets.size();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (poll(waiting.data(), waiting.size(), 1000) <= 0) continue;
        for (std::size_t i = 0; i < waiting.size(); ++i) {
            if (waiting[i].fd < 0 || waiting[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = recv(waiting[i].fd, buffer, sizeof buffer, 0);
            if (n > 0) {
                received[i].append(buffer, static_cast<std::size_t>(n));
            } else {
                close(waiting[i].fd);
                waiting[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& p : waiting) {
        if (p.fd >= 0) close(p.fd);
    }
    int answered = 0;
    for (int i = 0; i < kConnections; ++i) {
        const Reply reply = ParseReply(received[i]);
        if (reply.status == 200 && JsonMember(reply.body, "str") == expected[i]) ++answered;
    }
    EXPECT_EQ(answered, kConnections);

    const int status = service.StopWith(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ManyConnections, ParallelClientsAllGetTheirOwnAnswer) {
    ServiceProcess service({"--request-log", "/dev/null"});
    ASSERT_GT(service.Port(), 0);
    constexpr int kClients = 16;
    constexpr int kRounds = 10;
    std::vector<int> correct(kClients, 0);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            for (int r = 0; r < kRounds; ++r) {
                const std::string n = std::to_string(c * 100 + r);
                const std::string request =
                    (r % 2 == 0) ? FormRequest(FormBody(Base64("问题 " + n), SignatureOf(Base64("问题 " + n))))
                                 : UploadRequest("a.txt", "问题 " + n);
                if (JsonMember(Exchange(service.Port(), request).body, "str") == "难题 " + n) ++correct[c];
            }
        });
    }
    for (auto& t : clients) t.join();
    for (int c = 0; c < kClients; ++c) EXPECT_EQ(correct[c], kRounds) << "client " << c;
    const int status = service.StopWith(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace seo::service_test
