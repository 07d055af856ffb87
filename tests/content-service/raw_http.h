// A plain-socket HTTP client for the service's tests, and the client's two
// request layouts built here byte for byte.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace seo::service_test {

struct Reply {
    bool received = false;      // a status line arrived
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;           // as received, without chunk framing
    bool complete = false;      // the body is as long as the header says
};

// Connects to 127.0.0.1:port, sends the bytes and reads until the peer closes.
Reply Exchange(int port, std::string_view request);

// Parses what a connection received.
Reply ParseReply(std::string_view raw);

// "POST /api.php" with the form body and the headers the client sends, plus
// "Connection: close".
std::string FormRequest(std::string_view body);

// The rewrite body "id=vip&user=...&str=<payload>&num=1&sign=<sign>".
std::string FormBody(std::string_view payload, std::string_view sign);

// The upload request with the client's header text (no blank after the colon).
std::string UploadRequest(std::string_view fileName, std::string_view fileBytes);
std::string UploadBody(std::string_view fileName, std::string_view fileBytes);
std::string PostRequest(std::string_view extraHeaders, std::string_view body);

std::string GetRequest(std::string_view target);

// Test-side encoders, on the library directly.
std::string Base64(std::string_view bytes);
std::string SignatureOf(std::string_view payload);

// A flat JSON object's string member, decoded to UTF-8.
std::optional<std::string> JsonMember(std::string_view json, std::string_view name);

}  // namespace seo::service_test
