#include "request_parsing.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace seo::service {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> SplitOn(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        pieces.push_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return pieces;
}

// The value of `name=` among the ";"-separated parameters of a header value;
// a quoted value runs to the next double quote, which a file name may not hold.
std::optional<std::string> HeaderParameter(std::string_view value, std::string_view name) {
    std::size_t pos = 0;
    while (pos < value.size()) {
        std::size_t end = value.find(';', pos);
        std::string_view piece = TrimBlanks(value.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
        const std::size_t eq = piece.find('=');
        if (eq != std::string_view::npos && TrimBlanks(piece.substr(0, eq)).size() == name.size() &&
            StartsWithNoCase(TrimBlanks(piece.substr(0, eq)), name)) {
            std::string_view rest = value.substr(value.find('=', pos) + 1);
            while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
            if (!rest.empty() && rest.front() == '"') {
                rest.remove_prefix(1);
                const std::size_t close = rest.find('"');
                return std::string(rest.substr(0, close));
            }
            return std::string(TrimBlanks(rest.substr(0, rest.find(';'))));
        }
        if (end == std::string_view::npos) break;
        pos = end + 1;
    }
    return std::nullopt;
}

}  // namespace

std::optional<RewriteForm> ParseRewriteForm(std::string_view body) {
    RewriteForm form;
    bool hasPayload = false;
    bool hasSign = false;
    for (std::string_view field : SplitOn(body, '&')) {
        const std::size_t eq = field.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view name = field.substr(0, eq);
        const std::string value(field.substr(eq + 1));
        if (name == "id") form.id = value;
        if (name == "user") form.user = value;
        if (name == "num") form.num = value;
        if (name == "str") form.payload = value, hasPayload = true;
        if (name == "sign") form.sign = value, hasSign = true;
    }
    if (!hasPayload || !hasSign) return std::nullopt;
    return form;
}

bool IsMultipartForm(std::string_view contentType) {
    return StartsWithNoCase(TrimBlanks(contentType), "multipart/form-data");
}

std::optional<std::string> MultipartBoundary(std::string_view contentType) {
    auto boundary = HeaderParameter(contentType, "boundary");
    if (!boundary || boundary->empty() || boundary->size() > 200) return std::nullopt;
    return boundary;
}

UploadParse ParseUpload(std::string_view contentType, std::string_view body) {
    UploadParse result;
    const auto boundary = MultipartBoundary(contentType);
    if (!boundary) {
        result.error = UploadError::NoBoundary;
        return result;
    }
    const std::string opening = "--" + *boundary;
    const std::string delimiter = "\r\n" + opening;
    if (body.substr(0, opening.size()) != opening) {
        result.error = UploadError::Malformed;
        return result;
    }
    std::size_t pos = opening.size();
    bool found = false;
    for (;;) {
        // After a delimiter: "--" closes the body, CR LF opens a part.
        if (body.substr(pos, 2) == "--") break;
        if (body.substr(pos, 2) != "\r\n") {
            result.error = UploadError::Malformed;
            return result;
        }
        pos += 2;
        const std::size_t headersEnd = body.find("\r\n\r\n", pos);
        const std::size_t next = body.find(delimiter, pos);
        if (next == std::string_view::npos) {
            result.error = UploadError::Malformed;
            return result;
        }
        std::string_view headers;
        std::string_view content;
        if (body.substr(pos, 2) == "\r\n") {
            // A part without headers; its content follows the blank line.
            if (next >= pos + 2) content = body.substr(pos + 2, next - pos - 2);
        } else {
            if (headersEnd == std::string_view::npos || headersEnd > next) {
                result.error = UploadError::Malformed;
                return result;
            }
            headers = body.substr(pos, headersEnd - pos);
            // The blank line's CR LF may double as the delimiter's: empty content.
            if (next >= headersEnd + 4) content = body.substr(headersEnd + 4, next - headersEnd - 4);
        }
        std::optional<std::string> name;
        std::optional<std::string> fileName;
        for (std::string_view line : SplitOn(headers, '\n')) {
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            const std::size_t colon = line.find(':');
            if (colon == std::string_view::npos) continue;
            if (!StartsWithNoCase(TrimBlanks(line.substr(0, colon)), "content-disposition") ||
                TrimBlanks(line.substr(0, colon)).size() != 19) {
                continue;
            }
            const std::string_view value = line.substr(colon + 1);
            name = HeaderParameter(value, "name");
            fileName = HeaderParameter(value, "filename");
        }
        if (!found && name && *name == "file") {
            found = true;
            result.file.fileName = fileName.value_or(std::string());
            result.file.bytes = std::string(content);
        }
        pos = next + delimiter.size();
    }
    if (!found) result.error = UploadError::NoFilePart;
    return result;
}

}  // namespace seo::service
