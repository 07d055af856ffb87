// Reading the two request bodies exactly as they arrive, without URL-decoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace seo::service {

// The fields of "id=vip&user=...&str=<payload>&num=1&sign=<hex>", values raw.
struct RewriteForm {
    std::string id;
    std::string user;
    std::string payload;
    std::string num;
    std::string sign;
};

// Nothing when the `str` or `sign` field is missing.
std::optional<RewriteForm> ParseRewriteForm(std::string_view body);

// True when a Content-Type header value names a multipart form.
bool IsMultipartForm(std::string_view contentType);

// The boundary parameter of a multipart Content-Type value, quotes removed.
std::optional<std::string> MultipartBoundary(std::string_view contentType);

struct UploadedFile {
    std::string fileName;  // as sent, in the client's code page
    std::string bytes;
};

enum class UploadError { None, NoBoundary, Malformed, NoFilePart };

struct UploadParse {
    UploadError error = UploadError::None;
    UploadedFile file;
};

// Finds the part named "file"; the body must open with a delimiter line and end
// with the closing delimiter.
UploadParse ParseUpload(std::string_view contentType, std::string_view body);

}  // namespace seo::service
