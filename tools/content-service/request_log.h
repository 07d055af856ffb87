// The request log: one JSON object per line for every request received, flushed
// at once, so that a test can read exactly what its client sent.
//
//   {"method":"POST","target":"/api.php","version":"HTTP/1.1",
//    "headers":[["Content-Type","..."],...],"body":"<Base64 of the body bytes>"}
//
// Header names and values are byte strings: each byte outside printable ASCII is
// written \u00XX. Headers come in name order (the order of arrival is not kept).
#pragma once

#include <httplib.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace seo::service {

class RequestLog {
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Appends to `path`; false when it cannot be opened.
    bool Open(const std::string& path);

    // Does nothing when no log is open.
    void Record(const httplib::Request& request, std::string_view body);

    static std::string Line(const httplib::Request& request, std::string_view body);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

}  // namespace seo::service
