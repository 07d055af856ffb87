// Each fault mode answers /api.php the broken way it names.
#include "json_reader.h"
#include "raw_http.h"
#include "support/service_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

namespace seo::service_test {
namespace {

std::string ArticleRequest() {
    const std::string payload = Base64("因为 good");
    return FormRequest(FormBody(payload, SignatureOf(payload)));
}

Reply AskWithFault(std::vector<std::string> arguments) {
    ServiceProcess service(std::move(arguments));
    EXPECT_GT(service.Port(), 0);
    return Exchange(service.Port(), ArticleRequest());
}

TEST(FaultModes, DelayHoldsTheAnswerBackAtLeastThatLong) {
    ServiceProcess service({"--delay-ms", "300"});
    ASSERT_GT(service.Port(), 0);
    const auto start = std::chrono::steady_clock::now();
    const Reply reply = Exchange(service.Port(), ArticleRequest());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_EQ(JsonMember(reply.body, "str"), "由于 fine");
}

TEST(FaultModes, CloseSendsHalfTheDeclaredBodyAndHangsUp) {
    const Reply reply = AskWithFault({"--fault", "close"});
    ASSERT_TRUE(reply.received);
    const std::size_t declared = std::stoul(reply.headers.at("content-length"));
    EXPECT_FALSE(reply.complete);
    EXPECT_EQ(reply.body.size(), declared / 2);
    EXPECT_EQ(reply.body.rfind("{\"str\":", 0), 0u);
}

TEST(FaultModes, NotJsonAnswersAnHtmlPage) {
    const Reply reply = AskWithFault({"--fault", "not-json"});
    EXPECT_TRUE(reply.complete);
    EXPECT_EQ(reply.body.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_FALSE(ParseJson(reply.body).has_value());
}

TEST(FaultModes, HugeAnswerIsValidJsonOfTheSetSize) {
    const Reply reply = AskWithFault({"--fault", "huge", "--huge-bytes", "3000001"});
    ASSERT_TRUE(reply.complete);
    EXPECT_EQ(reply.body.size(), 3000001u);
    const auto str = JsonMember(reply.body, "str");
    ASSERT_TRUE(str.has_value());
    EXPECT_GT(str->size(), 2990000u);
}

TEST(FaultModes, EndlessScriptAnswersScriptThatNeverEnds) {
    EXPECT_EQ(AskWithFault({"--fault", "endless-script"}).body, "(function(){while(1){}})()");
}

TEST(FaultModes, ReshapedAnswersTable) {
    struct Case { const char* mode; int status; bool json; bool hasStr; };
    constexpr Case kCases[] = {
        {"empty", 200, false, false},
        {"no-str", 200, true, false},
        {"error-status", 500, true, true},
        {"nul-byte", 200, false, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.mode);
        const Reply reply = AskWithFault({"--fault", c.mode});
        ASSERT_TRUE(reply.complete);
        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(ParseJson(reply.body).has_value(), c.json) << reply.body;
        EXPECT_EQ(JsonMember(reply.body, "str").has_value(), c.hasStr);
    }
}

TEST(FaultModes, NulByteCutsTheJsonTextAfterItsFirstMember) {
    const Reply reply = AskWithFault({"--fault", "nul-byte"});
    const std::size_t nul = reply.body.find('\0');
    ASSERT_NE(nul, std::string::npos);
    EXPECT_EQ(reply.body.substr(0, nul), "{\"str\":\"由于 fine\"");
    EXPECT_TRUE(ParseJson(reply.body.substr(0, nul) + reply.body.substr(nul + 1)).has_value());
}

TEST(FaultModes, FaultEveryHitsOnlyEveryNthRequest) {
    ServiceProcess service({"--fault", "not-json", "--fault-every", "2"});
    ASSERT_GT(service.Port(), 0);
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        const Reply reply = Exchange(service.Port(), ArticleRequest());
        EXPECT_EQ(JsonMember(reply.body, "str").has_value(), i % 2 == 1);
    }
}

TEST(FaultModes, HangSendsNothingUntilTheServiceStops) {
    ServiceProcess service({"--fault", "hang"});
    ASSERT_GT(service.Port(), 0);
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(service.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string request = ArticleRequest();
    ASSERT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL), static_cast<ssize_t>(request.size()));
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 300), 0) << "bytes arrived from a hanging service";

    const int status = service.StopWith(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // Whatever the service still wrote, the connection is over.
    char buffer[4096];
    while (poll(&p, 1, 60000) > 0 && recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    close(fd);
}

}  // namespace
}  // namespace seo::service_test
