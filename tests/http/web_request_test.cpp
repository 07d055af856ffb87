#include "http/web_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/cookie_store.h"
#include "support/capture_server.h"

namespace seo {
namespace {

using test::CaptureOptions;
using test::CaptureServer;
using test::HttpAnswer;

const std::string kAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n";
const std::string kOk = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
const std::string kOkHeaders = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n";
const std::string kUploadHeaders =
    "Content-Type:multipart/form-data; boundary=----WebKitFormBoundaryB7BfOcAAFtzC33eK\r\n\r\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// One call of the routine against a capture server, in the manner of curl's test cases:
// "%HOST" in `path`, `headers`, `cookies` and the expectations stands for 127.0.0.1:<port>.
struct RequestCase {
    const char* name;
    std::string path;
    int method;
    std::string bodyText;
    std::optional<std::string> cookies;
    std::string headers;
    std::string bodyBytes;
    std::string answer;
    std::string expectedRequest;
    std::string expectedBody;
    std::string expectedHeaders;
    std::string expectedCookies;
};

const std::string kFormDefaults =
    "Accept: */*\r\nReferer: http://%HOST/api.php\r\nAccept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n";

const std::vector<RequestCase> kRequestCases = {
    {"form post of the rewrite call", "/api.php", 1, "user=api&str=YWJj&sign=0a1b", std::nullopt, "", "",
     kOk,
     "POST /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults +
         "Content-Length: 27\r\n\r\nuser=api&str=YWJj&sign=0a1b",
     "ok", kOkHeaders, ""},
    {"multipart upload call", "/api.php", 1, "", std::nullopt, kUploadHeaders,
     std::string("------B\r\nname=\"\xB0\xA1.txt\"\r\n\r\n\0\xFF\r\n", 29), kOk,
     "POST /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine +
         "Content-Type:multipart/form-data; boundary=----WebKitFormBoundaryB7BfOcAAFtzC33eK\r\n"
         "Accept: */*\r\nReferer: http://%HOST/api.php\r\nAccept-Language: zh-cn\r\n"
         "Content-Length: 29\r\n\r\n" + std::string("------B\r\nname=\"\xB0\xA1.txt\"\r\n\r\n\0\xFF\r\n", 29),
     "ok", kOkHeaders, ""},
    {"GET sends no body", "/api.php", 0, "text", std::nullopt, "", "bytes", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "\r\n", "ok", kOkHeaders, ""},
    {"method 3 is GET", "/api.php", 3, "text", std::nullopt, "", "", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "\r\n", "ok", kOkHeaders, ""},
    {"method -1 is GET", "/api.php", -1, "", std::nullopt, "", "bytes", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "\r\n", "ok", kOkHeaders, ""},
    {"HEAD carries its body and ends after the headers", "/api.php", 2, "body", std::nullopt, "", "",
     "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n",
     "HEAD /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "Content-Length: 4\r\n\r\nbody",
     "", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", ""},
    {"bytes win over text", "/api.php", 1, "text", std::nullopt, "", "bytes", kOk,
     "POST /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "Content-Length: 5\r\n\r\nbytes",
     "ok", kOkHeaders, ""},
    {"empty POST", "/api.php", 1, "", std::nullopt, "", "", kOk,
     "POST /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "Content-Length: 0\r\n\r\n",
     "ok", kOkHeaders, ""},
    {"a lower-case accept line does not count", "/api.php", 0, "", std::nullopt, "accept: text/html", "", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + "accept: text/html\r\n" + kFormDefaults + "\r\n",
     "ok", kOkHeaders, ""},
    {"Referer inside another value suppresses the default", "/api.php", 0, "", std::nullopt,
     "X-Note: no Referer: here", "", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine +
         "X-Note: no Referer: here\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n",
     "ok", kOkHeaders, ""},
    {"a User-Agent line is the agent and stays in place", "/api.php", 0, "", std::nullopt,
     "X-First: 1\r\nUser-Agent:  Bot/1.0 \r\nX-Last: 2", "", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\nX-First: 1\r\nUser-Agent:  Bot/1.0 \r\nX-Last: 2\r\n" +
         kFormDefaults + "\r\n",
     "ok", kOkHeaders, ""},
    {"header lines go out byte for byte", "/api.php", 0, "", std::nullopt,
     "X-Tight:value\r\nX-Empty:\r\nNo colon here\r\nX-Blank:  \r\n: no name\r\n\r\nX-After-Empty: 1", "", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine +
         "X-Tight:value\r\nX-Empty:\r\nNo colon here\r\nX-Blank:  \r\n: no name\r\nX-After-Empty: 1\r\n" +
         kFormDefaults + "\r\n",
     "ok", kOkHeaders, ""},
    {"lines the transport would drop lead the header text", "/api.php", 0, "", std::nullopt,
     "Lead-Empty:\r\nNo colon\r\nX-Real: 1", "", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + "Lead-Empty:\r\nNo colon\r\nX-Real: 1\r\n" +
         kFormDefaults + "\r\n",
     "ok", kOkHeaders, ""},
    {"cookies without a Cookie prefix get one", "/api.php", 0, "", std::string("a=1; b=2"), "", "", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "Cookie: a=1; b=2\r\n\r\n",
     "ok", kOkHeaders, ""},
    {"cookies with a Cookie prefix go as they are", "/api.php", 0, "", std::string("Cookie:c=3"), "", "", kOk,
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "Cookie:c=3\r\n\r\n",
     "ok", kOkHeaders, ""},
    {"the path goes out unescaped", "/p a/%41?q=\xB0\xA1#frag", 0, "", std::nullopt, "", "", kOk,
     "GET /p a/%41?q=\xB0\xA1#frag HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine +
         "Accept: */*\r\nReferer: http://%HOST/p a/%41?q=\xB0\xA1#frag\r\nAccept-Language: zh-cn\r\n"
         "Content-Type: application/x-www-form-urlencoded\r\n\r\n",
     "ok", kOkHeaders, ""},
    {"an error status still gives its body", "/api.php", 0, "", std::nullopt, "", "",
     "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone",
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "\r\n", "gone",
     "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\n", ""},
    {"set-cookie in any case is rewritten and collected", "/api.php", 0, "", std::string(), "", "",
     "HTTP/1.1 200 OK\r\nSet-Cookie: theme=dark; path=/\r\nset-cookie: lang=cn\r\nContent-Length: 2\r\n\r\nok",
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "\r\n", "ok",
     "HTTP/1.1 200 OK\r\nSet-Cookie: theme=dark; path=/\r\nSet-Cookie: lang=cn\r\nContent-Length: 2\r\n\r\n",
     "theme=dark; lang=cn"},
    {"only the final block after an informational one", "/api.php", 1, "x", std::nullopt, "", "",
     "HTTP/1.1 100 Continue\r\n\r\n" + kOk,
     "POST /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "Content-Length: 1\r\n\r\nx", "ok",
     kOkHeaders, ""},
    {"bare line feeds in the answer become CR LF", "/api.php", 0, "", std::nullopt, "", "",
     "HTTP/1.1 200 OK\nX-A: 1\nContent-Length: 2\n\nok",
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "\r\n", "ok",
     "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n\r\n", ""},
    {"a chunked answer is joined", "/api.php", 0, "", std::nullopt, "", "",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\nX-Trailer: t\r\n\r\n",
     "GET /api.php HTTP/1.1\r\nHost: %HOST\r\n" + kAgentLine + kFormDefaults + "\r\n", "hello world",
     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", ""},
};

TEST(WebRequest, RequestTable) {
    for (const RequestCase& c : kRequestCases) {
        SCOPED_TRACE(c.name);
        CaptureServer server(c.answer);
        const std::string host = server.Address();
        auto expand = [&](const std::string& s) { return Replaced(s, "%HOST", host); };
        std::optional<Text> cookies;
        if (c.cookies) cookies = expand(*c.cookies);
        Text responseCookies = "before";
        Text responseHeaders = "before";
        const Bytes body = WebRequest(server.Url(c.path), c.method, c.bodyText, cookies, &responseCookies,
                                      expand(c.headers), &responseHeaders, false,
                                      Bytes(c.bodyBytes.begin(), c.bodyBytes.end()));
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0], expand(c.expectedRequest));
        EXPECT_EQ(AsString(body), c.expectedBody);
        EXPECT_EQ(responseHeaders, c.expectedHeaders);
        EXPECT_EQ(responseCookies, c.expectedCookies);
    }
}

TEST(WebRequest, SchemeInCapitalsAndOmittedArguments) {
    CaptureServer server(kOk);
    const Text url = "HTTP://127.0.0.1:" + std::to_string(server.Port()) + "/Api.php";
    EXPECT_EQ(AsString(WebRequest(url)), "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], "GET /Api.php HTTP/1.1\r\nHost: " + server.Address() + "\r\n" + kAgentLine +
                                        "Accept: */*\r\nReferer: " + url +
                                        "\r\nAccept-Language: zh-cn\r\n"
                                        "Content-Type: application/x-www-form-urlencoded\r\n\r\n");
}

TEST(WebRequest, LargeBodyGoesWithoutExpectContinue) {
    CaptureServer server(kOk);
    const Bytes big(2 * 1024 * 1024 + 3, 'z');
    EXPECT_EQ(AsString(WebRequest(server.Url("/up"), 1, "", std::string(), nullptr, "", nullptr, false, big)), "ok");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string head = requests[0].substr(0, requests[0].find("\r\n\r\n") + 4);
    EXPECT_EQ(head.find("Expect"), std::string::npos) << head;
    EXPECT_EQ(head.find("Transfer-Encoding"), std::string::npos) << head;
    EXPECT_NE(head.find("Content-Length: 2097155\r\n"), std::string::npos) << head;
    EXPECT_EQ(requests[0].size(), head.size() + big.size());
}

TEST(WebRequest, BodyArrivingInPiecesIsReturnedWholeAndInOrder) {
    std::string body;
    for (int i = 0; body.size() < 100 * 1024; ++i) body += std::to_string(i) + ",";
    CaptureServer server(HttpAnswer("200 OK", {}, body), CaptureOptions{.pieceSize = 1000, .pieceDelayMs = 1});
    EXPECT_EQ(AsString(WebRequest(server.Url("/big"))), body);
}

TEST(WebRequest, AnswerCutMidBodyGivesWhatArrived) {
    const std::string answer = HttpAnswer("200 OK", {"Set-Cookie: s=1; path=/"}, std::string(1000, 'b'));
    const std::size_t head = answer.find("\r\n\r\n") + 4;
    CaptureServer server(answer, CaptureOptions{.cutAfter = head + 600});
    Text cookies;
    Text headers;
    const Bytes body = WebRequest(server.Url("/cut"), 0, "", std::string(), &cookies, "", &headers);
    EXPECT_EQ(AsString(body), std::string(600, 'b'));
    EXPECT_EQ(headers, answer.substr(0, head));
    EXPECT_EQ(cookies, "s=1");
}

TEST(WebRequest, UnreachableServerGivesEmptyResultAndSpaces) {
    int port = 0;
    {
        CaptureServer closed(kOk);
        port = closed.Port();
    }  // nothing listens there any more
    Text cookies = "kept?";
    Text headers = "kept?";
    const Bytes body = WebRequest("http://127.0.0.1:" + std::to_string(port) + "/api.php", 1, "x",
                                  std::nullopt, &cookies, "", &headers);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers, Text(5000, ' '));
    EXPECT_EQ(cookies, "");
}

TEST(WebRequest, UnusableHostFailsLikeAnUnreachableOne) {
    for (const char* url : {"http://h.d?x=1", "", "http://h d/", "http://[::1]:80/"}) {
        SCOPED_TRACE(url);
        Text cookies = "kept?";
        Text headers;
        EXPECT_TRUE(WebRequest(url, 0, "", std::nullopt, &cookies, "", &headers).empty());
        EXPECT_EQ(headers, Text(5000, ' '));
        EXPECT_EQ(cookies, "");
    }
}

TEST(WebRequest, HeaderBlockOverTheBufferLeavesSpacesButTheBody) {
    // The status line, the padding line, its CR LF and the final CR LF make `size` bytes.
    auto answerWithBlockOf = [](std::size_t size) {
        const std::string status = "HTTP/1.1 200 OK\r\nSet-Cookie: k=v\r\nContent-Length: 2\r\n";
        const std::string prefix = "X-Pad: ";
        const std::size_t fixed = status.size() + prefix.size() + 2 + 2;
        return status + prefix + std::string(size - fixed, 'p') + "\r\n\r\nok";
    };
    for (std::size_t size : {4999u, 5000u, 12000u}) {
        SCOPED_TRACE(size);
        CaptureServer server(answerWithBlockOf(size));
        Text cookies;
        Text headers;
        EXPECT_EQ(AsString(WebRequest(server.Url("/h"), 0, "", std::string(), &cookies, "", &headers)), "ok");
        if (size < 5000) {
            EXPECT_EQ(headers.size(), size);
            EXPECT_EQ(cookies, "k=v");
        } else {
            EXPECT_EQ(headers, Text(5000, ' '));
            EXPECT_EQ(cookies, "");
        }
    }
}

// Answers a redirect to /hop<n+1> for the first `hops` requests, then "done".
CaptureServer::Responder RedirectChain(int hops, const char* status = "302 Found") {
    return [hops, status](const std::string&, int number) {
        if (number < hops) {
            return HttpAnswer(status, {"Location: /hop" + std::to_string(number + 1)}, "moved");
        }
        return HttpAnswer("200 OK", {"X-Final: yes"}, "done");
    };
}

TEST(WebRequest, RedirectIsFollowedAndPostBecomesGet) {
    CaptureServer server(RedirectChain(1));
    Text headers;
    EXPECT_EQ(AsString(WebRequest(server.Url("/api.php"), 1, "a=1", std::nullopt, nullptr, "", &headers)), "done");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].rfind("GET /hop1 HTTP/1.1\r\n", 0), 0u) << requests[1];
    EXPECT_EQ(requests[1].find("Content-Length"), std::string::npos) << requests[1];
    EXPECT_EQ(headers, "HTTP/1.1 200 OK\r\nX-Final: yes\r\nContent-Length: 4\r\n\r\n");
}

TEST(WebRequest, TemporaryRedirectKeepsMethodAndBody) {
    CaptureServer server(RedirectChain(1, "307 Temporary Redirect"));
    EXPECT_EQ(AsString(WebRequest(server.Url("/api.php"), 1, "a=1")), "done");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].rfind("POST /hop1 HTTP/1.1\r\n", 0), 0u) << requests[1];
    EXPECT_EQ(requests[1].substr(requests[1].size() - 3), "a=1");
}

TEST(WebRequest, RedirectLimitIsFifty) {
    {
        CaptureServer server(RedirectChain(50));
        EXPECT_EQ(AsString(WebRequest(server.Url("/start"))), "done");
        EXPECT_EQ(server.Requests().size(), 51u);
    }
    {
        CaptureServer server(RedirectChain(51));
        Text cookies = "kept?";
        Text headers;
        EXPECT_TRUE(WebRequest(server.Url("/start"), 0, "", std::nullopt, &cookies, "", &headers).empty());
        EXPECT_EQ(server.Requests().size(), 51u);
        EXPECT_EQ(headers, Text(5000, ' '));
        EXPECT_EQ(cookies, "");
    }
}

TEST(WebRequest, NoRedirectReturnsTheRedirectItself) {
    CaptureServer server(RedirectChain(1));
    Text headers;
    EXPECT_EQ(AsString(WebRequest(server.Url("/a"), 0, "", std::nullopt, nullptr, "", &headers, true)), "moved");
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(headers.rfind("HTTP/1.1 302 Found\r\nLocation: /hop1\r\n", 0), 0u);
}

TEST(WebRequest, RedirectToAnotherOriginDropsTheCallersCookieLine) {
    CaptureServer target(kOk);
    CaptureServer origin([&](const std::string&, int) {
        return HttpAnswer("302 Found", {"Location: " + target.Url("/there")}, "");
    });
    EXPECT_EQ(AsString(WebRequest(origin.Url("/here"), 0, "", std::string("secret=1"))), "ok");
    ASSERT_EQ(origin.Requests().size(), 1u);
    EXPECT_NE(origin.Requests()[0].find("Cookie: secret=1\r\n"), std::string::npos);
    ASSERT_EQ(target.Requests().size(), 1u);
    EXPECT_EQ(target.Requests()[0].find("secret"), std::string::npos) << target.Requests()[0];
    EXPECT_EQ(target.Requests()[0].rfind("GET /there HTTP/1.1\r\nHost: " + target.Address() + "\r\n", 0), 0u);
}

TEST(WebRequest, HttpUrlGoesThroughTheProxy) {
    CaptureServer proxy(kOk);
    const Text url = "http://service.example:8790/api.php";
    EXPECT_EQ(AsString(WebRequest(url, 1, "a=1", std::nullopt, nullptr, "", nullptr, false, Bytes(),
                                  proxy.Address())),
              "ok");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0],
              "POST http://service.example:8790/api.php HTTP/1.1\r\nHost: service.example:8790\r\n" + kAgentLine +
                  "Accept: */*\r\nReferer: " + url +
                  "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                  "Content-Length: 3\r\n\r\na=1");
}

TEST(WebRequest, HttpsUrlTunnelsThroughTheProxy) {
    CaptureServer proxy(HttpAnswer("502 Bad Gateway", {}, ""));
    Text headers;
    EXPECT_TRUE(WebRequest("https://service.example/api.php", 0, "", std::nullopt, nullptr, "", &headers,
                           false, Bytes(), proxy.Address())
                    .empty());
    ASSERT_GE(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].rfind("CONNECT service.example:443 HTTP/1.1\r\n", 0), 0u) << proxy.Requests()[0];
    EXPECT_EQ(headers, Text(5000, ' '));
}

TEST(WebRequest, CookieStoreCarriesCookiesBetweenCalls) {
    ClearSharedCookies();
    CaptureServer server([](const std::string&, int number) {
        return HttpAnswer("200 OK", {"Set-Cookie: n" + std::to_string(number) + "=v; path=/"}, "ok");
    });
    Text cookies;
    WebRequest(server.Url("/1"), 0, "", std::nullopt, &cookies);  // sets n0
    EXPECT_EQ(cookies, "n0=v");
    WebRequest(server.Url("/2"), 0, "", std::string());  // given cookies: the store is left alone
    WebRequest(server.Url("/3"));                         // sends n0 only
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].find("Cookie"), std::string::npos);
    EXPECT_EQ(requests[1].find("Cookie"), std::string::npos);
    EXPECT_NE(requests[2].find("\r\nCookie: n0=v\r\n"), std::string::npos) << requests[2];
    ClearSharedCookies();
}

}  // namespace
}  // namespace seo
