// Byte-level helpers of the service: UTF-8, code page 936, Base64 and MD5.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace seo::service {

// Code points of strictly valid UTF-8 (no overlong forms, no surrogates), or nothing.
std::optional<std::u32string> DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view text);

// Code page 936 bytes to UTF-8; a byte sequence the code page lacks becomes "?".
std::string Cp936ToUtf8(std::string_view bytes);

// UTF-16 with a byte-order mark to UTF-8; nothing when the text is cut or broken.
std::optional<std::string> Utf16ToUtf8(std::string_view bytesWithMark);

// Strict standard Base64 with padding; nothing for any other character or length.
std::optional<std::string> DecodeBase64(std::string_view text);
std::string EncodeBase64(std::string_view bytes);

// 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace seo::service
