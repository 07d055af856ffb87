#include "request_log.h"

#include "json_text.h"
#include "text_codec.h"

namespace seo::service {
namespace {

// The library files the connection's addresses among the headers; they were not sent.
bool IsLibraryHeader(const std::string& name) {
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}

}  // namespace

RequestLog::~RequestLog() {
    if (file_) std::fclose(file_);
}

bool RequestLog::Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "ab");
    return file_ != nullptr;
}

std::string RequestLog::Line(const httplib::Request& request, std::string_view body) {
    std::string line = "{\"method\":" + JsonByteString(request.method) + ",\"target\":" +
                       JsonByteString(request.target) + ",\"version\":" + JsonByteString(request.version) +
                       ",\"headers\":[";
    bool first = true;
    for (const auto& [name, value] : request.headers) {
        if (IsLibraryHeader(name)) continue;
        if (!first) line += ",";
        first = false;
        line += "[" + JsonByteString(name) + "," + JsonByteString(value) + "]";
    }
    line += "],\"body\":\"" + EncodeBase64(body) + "\"}\n";
    return line;
}

void RequestLog::Record(const httplib::Request& request, std::string_view body) {
    if (!file_) return;
    const std::string line = Line(request, body);
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

}  // namespace seo::service
