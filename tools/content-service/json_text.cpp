#include "json_text.h"

#include <cstdio>

namespace seo::service {
namespace {

void AppendEscapedByte(std::string& out, unsigned char c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
    out += buffer;
}

// Escapes the characters JSON requires; returns false for a byte it left to the caller.
bool AppendCommonEscape(std::string& out, unsigned char c) {
    switch (c) {
        case '"': out += "\\\""; return true;
        case '\\': out += "\\\\"; return true;
        case '\n': out += "\\n"; return true;
        case '\r': out += "\\r"; return true;
        case '\t': out += "\\t"; return true;
        case '\b': out += "\\b"; return true;
        case '\f': out += "\\f"; return true;
        default: break;
    }
    if (c < 0x20 || c == 0x7F) {
        AppendEscapedByte(out, c);
        return true;
    }
    return false;
}

}  // namespace

std::string JsonString(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out.push_back('"');
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (AppendCommonEscape(out, c)) continue;
        // U+2028 and U+2029 end a line inside older script engines' string literals.
        if (c == 0xE2 && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(utf8[i + 2]) == 0xA8 || static_cast<unsigned char>(utf8[i + 2]) == 0xA9)) {
            out += static_cast<unsigned char>(utf8[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
            continue;
        }
        out.push_back(static_cast<char>(c));
    }
    out.push_back('"');
    return out;
}

std::string JsonByteString(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + 2);
    out.push_back('"');
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (AppendCommonEscape(out, c)) continue;
        if (c >= 0x80) {
            AppendEscapedByte(out, c);
        } else {
            out.push_back(ch);
        }
    }
    out.push_back('"');
    return out;
}

std::string RewriteAnswer(std::string_view strUtf8, std::string_view ckUtf8) {
    return "{\"str\":" + JsonString(strUtf8) + ",\"ck\":" + JsonString(ckUtf8) + "}";
}

std::string ErrorAnswer(std::string_view code, std::string_view messageUtf8) {
    return "{\"error\":" + JsonString(code) + ",\"message\":" + JsonString(messageUtf8) + "}";
}

}  // namespace seo::service
