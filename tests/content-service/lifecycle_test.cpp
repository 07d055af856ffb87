// Start-up, the listening address, the command line and stopping.
#include "raw_http.h"
#include "support/service_process.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace seo::service_test {
namespace {

// Local addresses of the sockets listening on `port`, as /proc lists them.
std::vector<std::string> ListeningAddresses(const char* table, int port) {
    std::ifstream in(table);
    std::string line;
    std::vector<std::string> found;
    std::getline(in, line);
    char portHex[8];
    std::snprintf(portHex, sizeof portHex, ":%04X", port);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == portHex) {
            found.push_back(local.substr(0, local.size() - 5));
        }
    }
    return found;
}

TEST(Lifecycle, ListensOnLoopbackOnly) {
    ServiceProcess service;
    ASSERT_GT(service.Port(), 0);
    EXPECT_EQ(ListeningAddresses("/proc/net/tcp", service.Port()), std::vector<std::string>{"0100007F"});
    EXPECT_TRUE(ListeningAddresses("/proc/net/tcp6", service.Port()).empty());

    // No other address of this machine reaches it.
    ifaddrs* addresses = nullptr;
    ASSERT_EQ(getifaddrs(&addresses), 0);
    for (ifaddrs* a = addresses; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
        sockaddr_in target = *reinterpret_cast<sockaddr_in*>(a->ifa_addr);
        if ((ntohl(target.sin_addr.s_addr) >> 24) == 127) continue;
        target.sin_port = htons(static_cast<std::uint16_t>(service.Port()));
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_NE(connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target), 0) << a->ifa_name;
        close(fd);
    }
    freeifaddrs(addresses);
}

TEST(Lifecycle, StopSignalsEndItCleanly) {
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        ServiceProcess service;
        ASSERT_GT(service.Port(), 0);
        EXPECT_TRUE(Exchange(service.Port(), GetRequest("/")).received);
        const int status = service.StopWith(signal);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

TEST(Lifecycle, StopsWhileAnAnswerIsDelayed) {
    ServiceProcess service({"--delay-ms", "3600000"});
    ASSERT_GT(service.Port(), 0);
    const int port = service.Port();
    std::thread client([port] { Exchange(port, FormRequest(FormBody("", SignatureOf("")))); });
    // The log is not needed: the stop must end the wait whether or not it has begun.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int status = service.StopWith(SIGTERM);
    client.join();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Lifecycle, CommandLineMistakesAndABusyPortAreReported) {
    ServiceProcess holder;
    ASSERT_GT(holder.Port(), 0);
    struct Case { std::vector<std::string> arguments; int exitCode; const char* says; };
    const Case kCases[] = {
        {{"--fault", "sideways"}, 2, "bad value for --fault"},
        {{"--port", "70000"}, 2, "bad value for --port"},
        {{"--threads", "0"}, 2, "bad value for --threads"},
        {{"--delay-ms"}, 2, "missing value"},
        {{"--colour", "red"}, 2, "unknown option"},
        {{"--port", std::to_string(holder.Port())}, 1, "cannot listen"},
        {{"--port", "0", "--request-log", "/nonexistent-dir/log"}, 1, "request log"},
        {{"--help"}, 0, ""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.arguments.front());
        const RunResult result = RunToEnd(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_NE(result.standardError.find(c.says), std::string::npos) << result.standardError;
    }
}

}  // namespace
}  // namespace seo::service_test
