// The payload encoders over arbitrary bytes. The inputs are copied into buffers of their exact
// size, so the address sanitizer sees any read past the end; the outputs must be well formed,
// and a code page 936 text that converts cleanly must survive the round trip unchanged.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "encoding/base64.h"
#include "encoding/code_page.h"
#include "encoding/digest.h"

namespace {

using seo::Text;

void Check(bool condition) {
    if (!condition) std::abort();
}

// Whether the bytes are well-formed UTF-8 (no surrogates, no overlong forms).
bool IsUtf8(const Text& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length;
        std::uint32_t cp;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            length = 2, cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, cp = b & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::string Base64Decode(const Text& text) {
    std::string out;
    std::uint32_t bits = 0;
    int held = 0;
    for (const char c : text) {
        if (c == '=') break;
        const int v = Base64Value(c);
        Check(v >= 0);
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        held += 6;
        if (held >= 8) {
            held -= 8;
            out += static_cast<char>((bits >> held) & 0xFF);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::unique_ptr<char[]> exact(new char[size ? size : 1]);
    std::copy(data, data + size, exact.get());

    const Text utf8 = seo::AnsiToUtf8(exact.get(), size);
    const Text ansi = seo::Utf8ToAnsi(exact.get(), size);
    if (size == 0) Check(utf8.empty() && ansi.empty());
    Check(IsUtf8(utf8));

    // What one conversion yields is valid on the other side, so it round-trips unchanged.
    const Text clean = seo::Utf8ToAnsi(utf8);
    Check(seo::Utf8ToAnsi(seo::AnsiToUtf8(clean)) == clean);
    Check(seo::Utf8ToAnsi(seo::AnsiToUtf8(ansi)) == ansi);
    // Input that was valid code page 936 (nothing became "?") comes back byte for byte. The
    // input stops at a NUL as the program's texts do.
    const Text asText(exact.get(), size);
    if (asText.find('\0') == Text::npos && asText.find('?') == Text::npos && clean.find('?') == Text::npos)
        Check(clean == asText);
    if (IsUtf8(asText) && asText.find('?') == Text::npos && ansi.find('?') == Text::npos)
        Check(seo::AnsiToUtf8(ansi) == asText);

    const Text base64 = seo::Base64Encode(exact.get(), size);
    Check(base64.size() == (size + 2) / 3 * 4);
    Check(Base64Decode(base64) == asText);

    const Text md5 = seo::Md5Hex(exact.get(), size);
    Check(md5.size() == 32);
    for (const char c : md5) Check((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'));
    Check(seo::Md5Hex(exact.get(), size, true, true).size() == 16);
    return 0;
}
