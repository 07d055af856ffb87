#include "http/request_text.h"

#include <gtest/gtest.h>

#include "http/response_headers.h"
#include "http/web_request.h"

namespace seo {
namespace {

TEST(RequestText, VerbAndScheme) {
    EXPECT_STREQ(VerbFor(NormalizeMethod(0)), "GET");
    EXPECT_STREQ(VerbFor(NormalizeMethod(1)), "POST");
    EXPECT_STREQ(VerbFor(NormalizeMethod(2)), "HEAD");
    EXPECT_STREQ(VerbFor(NormalizeMethod(3)), "GET");
    EXPECT_STREQ(VerbFor(NormalizeMethod(-1)), "GET");
    EXPECT_TRUE(IsHttpsUrl("HTTPS://h.d/"));
    EXPECT_TRUE(IsHttpsUrl("https://"));
    EXPECT_FALSE(IsHttpsUrl("https:/"));
    EXPECT_FALSE(IsHttpsUrl("http://h.d/"));
    EXPECT_FALSE(IsHttpsUrl(""));
}

struct AgentCase {
    const char* headers;
    const char* agent;
};

constexpr AgentCase kAgentTable[] = {
    {"", kDefaultAgent},
    {"Accept: */*", kDefaultAgent},
    {"User-Agent:  Bot/1.0 ", "Bot/1.0"},
    {"X-A: 1\r\nUser-Agent: Bot/2\r\nX-B: 2", "Bot/2"},
    // Found without letter case, extracted with it: the fallback takes everything after the
    // first colon of the whole text.
    {"user-agent: lower/1", "lower/1"},
    {"X-A: 1\r\nuser-agent: lower/2", "1\r\nuser-agent: lower/2"},
    {"User-Agent:", ""},
};

TEST(RequestText, AgentChoice) {
    for (const auto& c : kAgentTable) {
        SCOPED_TRACE(c.headers);
        EXPECT_EQ(ChooseAgent(c.headers), c.agent);
    }
}

TEST(RequestText, TextAfterColon) {
    EXPECT_EQ(TextAfterColon("a:  b c  "), "b c");
    EXPECT_EQ(TextAfterColon("no colon"), "");
    EXPECT_EQ(TextAfterColon("a:b:c"), "b:c");
    EXPECT_EQ(TextAfterColon("a:\xA1\xA1x\xA1\xA1"), "x");
    EXPECT_EQ(TextAfterColon(""), "");
    EXPECT_EQ(TextAfterColon("\x81"), "");
}

struct HeaderTextCase {
    const char* name;
    const char* headers;
    std::optional<Text> cookies;
    const char* expected;
};

const HeaderTextCase kHeaderTextTable[] = {
    {"defaults alone", "", std::nullopt,
     "Accept: */*\r\nReferer: http://h.d/api.php\r\nAccept-Language: zh-cn\r\n"
     "Content-Type: application/x-www-form-urlencoded"},
    {"upload header text", "Content-Type:multipart/form-data; boundary=B\r\n\r\n", std::nullopt,
     "Content-Type:multipart/form-data; boundary=B\r\n\r\n\r\nAccept: */*\r\nReferer: http://h.d/api.php\r\n"
     "Accept-Language: zh-cn"},
    {"trailing CR LF kept when nothing is added",
     "Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nContent-Type: c\r\n", std::nullopt,
     "Accept: a\r\nReferer: r\r\nAccept-Language: l\r\nContent-Type: c\r\n"},
    {"contained anywhere counts", "X: Accept: Referer: Accept-Language: Content-Type:", std::nullopt,
     "X: Accept: Referer: Accept-Language: Content-Type:"},
    {"letter case counts", "accept: x", std::nullopt,
     "accept: x\r\nAccept: */*\r\nReferer: http://h.d/api.php\r\nAccept-Language: zh-cn\r\n"
     "Content-Type: application/x-www-form-urlencoded"},
    {"empty given cookies add nothing", "X: Accept: Referer: Accept-Language: Content-Type:", Text(),
     "X: Accept: Referer: Accept-Language: Content-Type:"},
    {"cookies get a prefix", "X: Accept: Referer: Accept-Language: Content-Type:", Text("a=1"),
     "X: Accept: Referer: Accept-Language: Content-Type:\r\nCookie: a=1"},
    {"cookies with a prefix stay", "X: Accept: Referer: Accept-Language: Content-Type:", Text("Cookie:a=1"),
     "X: Accept: Referer: Accept-Language: Content-Type:\r\nCookie:a=1"},
};

TEST(RequestText, HeaderTextTable) {
    for (const auto& c : kHeaderTextTable) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BuildHeaderText("http://h.d/api.php", c.headers, c.cookies), c.expected);
    }
    EXPECT_EQ(BuildHeaderText("HTTP://H.D/A", "", std::nullopt).find("Referer: HTTP://H.D/A\r\n"), 13u);
}

TEST(RequestText, HeaderEntriesKeepEveryLineAndRemoveTransportDefaults) {
    using Entries = std::vector<std::string>;
    const Entries removals = {"Accept:", "Content-Type:", "Expect:", "Proxy-Connection:"};
    auto with = [&](Entries e) {
        e.insert(e.end(), removals.begin(), removals.end());
        return e;
    };
    EXPECT_EQ(CurlHeaderEntries("A: 1\r\n\r\nB:2"), with({"A: 1", "B:2"}));
    EXPECT_EQ(CurlHeaderEntries("A: 1\r\nEmpty:\r\nNoColon\r\n: x\r\nB: 2"),
              with({"A: 1\r\nEmpty:\r\nNoColon\r\n: x", "B: 2"}));
    EXPECT_EQ(CurlHeaderEntries("Empty:\r\nNoColon\r\nA: 1"), with({"Empty:\r\nNoColon\r\nA: 1"}));
    // A leading line with nothing before its colon cannot be carried.
    EXPECT_EQ(CurlHeaderEntries(": x\r\nA: 1"), with({"A: 1"}));
    EXPECT_EQ(CurlHeaderEntries("A: 1\r\ncookie: c=1\r\nAuthorization: x\r\nB: 2", true), with({"A: 1", "B: 2"}));
    EXPECT_EQ(CurlHeaderEntries(""), removals);
}

TEST(RequestText, ProxyTranslation) {
    EXPECT_EQ(PlatformProxyString("http://h.d/", ""), "");
    EXPECT_EQ(PlatformProxyString("http://h.d/", "p:8080"), "http=p:8080");
    EXPECT_EQ(PlatformProxyString("HTTPS://h.d/", "p:8080"), "p:8080");
    EXPECT_EQ(CurlProxyFor("http=p:8080", false), "http://p:8080");
    EXPECT_EQ(CurlProxyFor("http=p:8080", true), "");  // serves http only
    EXPECT_EQ(CurlProxyFor("p:8080", true), "http://p:8080");
    EXPECT_EQ(CurlProxyFor("http=a:1 https=b:2", true), "http://b:2");
    EXPECT_EQ(CurlProxyFor("https=b:2;c:3", false), "http://c:3");
    EXPECT_EQ(CurlProxyFor("http=socks5://s:1080", false), "socks5://s:1080");
    EXPECT_EQ(CurlProxyFor("", false), "");
}

TEST(ResponseHeaders, FitOrSpaces) {
    EXPECT_EQ(FinishResponseHeaders(nullptr), Text(5000, ' '));
    const Text fits(4999, 'h');
    EXPECT_EQ(FinishResponseHeaders(&fits), fits);
    const Text tooBig(5000, 'h');
    EXPECT_EQ(FinishResponseHeaders(&tooBig), Text(5000, ' '));
    const Text mixed = "HTTP/1.1 200 OK\r\nSET-COOKIE: a=1\r\nX: mentions sEt-CoOkIe\r\n\r\n";
    EXPECT_EQ(FinishResponseHeaders(&mixed), "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nX: mentions Set-Cookie\r\n\r\n");
}

struct CookieCase {
    const char* headers;
    const char* cookies;
};

constexpr CookieCase kCookieTable[] = {
    {"HTTP/1.1 200 OK\r\nX: 1\r\n\r\n", ""},
    {"HTTP/1.1 200 OK\r\nSet-Cookie: theme=dark; path=/\r\nSet-Cookie: lang=cn\r\n\r\n", "theme=dark; lang=cn"},
    {"HTTP/1.1 200 OK\r\nSet-Cookie:  a=1 ;x\r\n\r\n", "a=1"},
    // A value mentioning the name is a cookie line too.
    {"HTTP/1.1 200 OK\r\nX: see Set-Cookie: here\r\n\r\n", "X: see  here"},
    {"HTTP/1.1 200 OK\r\nSet-Cookie:\r\n\r\n", ""},
};

TEST(ResponseHeaders, CookieTable) {
    for (const auto& c : kCookieTable) {
        SCOPED_TRACE(c.headers);
        EXPECT_EQ(CollectResponseCookies(c.headers), c.cookies);
    }
    EXPECT_EQ(CollectResponseCookies(Text(5000, ' ')), "");
}

}  // namespace
}  // namespace seo
