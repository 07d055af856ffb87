// Requests from several threads at once; run under the thread sanitizer.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "http/cookie_store.h"
#include "http/web_request.h"
#include "support/capture_server.h"

namespace seo {
namespace {

using test::CaptureServer;
using test::HttpAnswer;

TEST(WebRequestThreads, CookieSetOnOneThreadIsSentFromAnother) {
    ClearSharedCookies();
    CaptureServer server([](const std::string& request, int) {
        if (request.rfind("GET /set", 0) == 0) return HttpAnswer("200 OK", {"Set-Cookie: who=first; path=/"}, "set");
        return HttpAnswer("200 OK", {}, "read");
    });
    std::thread([&] { WebRequest(server.Url("/set")); }).join();
    std::thread([&] { WebRequest(server.Url("/read")); }).join();
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[1].find("\r\nCookie: who=first\r\n"), std::string::npos) << requests[1];
    ClearSharedCookies();
}

TEST(WebRequestThreads, ManyThreadsAtOnceEachGetTheirOwnAnswer) {
    ClearSharedCookies();
    CaptureServer server([](const std::string& request, int) {
        const std::string path = request.substr(4, request.find(' ', 4) - 4);
        return HttpAnswer("200 OK", {"Set-Cookie: c" + path.substr(1) + "=1; path=/"}, "echo " + path);
    });
    constexpr int kThreads = 8;
    constexpr int kCalls = 5;
    std::vector<std::string> failures(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                const std::string path = "/t" + std::to_string(t) + "x" + std::to_string(i);
                Text cookies;
                const Bytes body = WebRequest(server.Url(path), 0, "", std::nullopt, &cookies);
                if (std::string(body.begin(), body.end()) != "echo " + path) failures[t] += path + " ";
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (const auto& failure : failures) EXPECT_EQ(failure, "");
    // Every cookie set on any thread reaches a later request.
    WebRequest(server.Url("/last"));
    const std::string last = server.Requests().back();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_NE(last.find("ct" + std::to_string(t) + "x" + std::to_string(kCalls - 1) + "=1"), std::string::npos)
            << last;
    }
    ClearSharedCookies();
}

}  // namespace
}  // namespace seo
