#include "json/script_value.h"

#include <charconv>
#include <cstring>

#include "encoding/code_page.h"

namespace seo::detail {
namespace {

bool IsAutomationSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The automation coercion reads a string as a number only when it is one: a decimal
// number with optional sign, fraction and exponent, spaces around it allowed. Hex, "Infinity"
// and the empty string are refused.
bool ParseDecimal(const char* text, std::size_t size, double* number) {
    const char* begin = text;
    const char* end = text + size;
    while (begin < end && IsAutomationSpace(*begin)) ++begin;
    while (end > begin && IsAutomationSpace(end[-1])) --end;
    const char* p = begin;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    const char* digits = p;
    std::size_t mantissaDigits = 0;
    while (p < end && IsDigit(*p)) ++p, ++mantissaDigits;
    if (p < end && *p == '.') {
        ++p;
        while (p < end && IsDigit(*p)) ++p, ++mantissaDigits;
    }
    if (mantissaDigits == 0) return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < end && (*p == '+' || *p == '-')) ++p;
        const char* exponent = p;
        while (p < end && IsDigit(*p)) ++p;
        if (p == exponent) return false;
    }
    if (p != end) return false;
    double value = 0;
    const auto result = std::from_chars(digits, end, value);
    if (result.ptr != end && result.ec != std::errc::result_out_of_range) return false;
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; the automation coercion overflows too.
        return false;
    }
    *number = negative ? -value : value;
    return true;
}

bool EqualsIgnoringCase(const char* text, std::size_t size, const char* word) {
    const std::size_t length = std::strlen(word);
    if (size != length) return false;
    for (std::size_t i = 0; i < size; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != word[i]) return false;
    }
    return true;
}

// Objects give their default value first, as a script host's Value property would.
void ToPrimitiveInPlace(duk_context* context) {
    if (duk_is_object(context, -1) || duk_is_buffer_data(context, -1)) {
        duk_to_primitive(context, -1, DUK_HINT_NONE);
    }
}

void AppendUtf8(Text& out, std::uint32_t code) {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
}

// A surrogate written as three bytes: ED A0..BF xx.
bool IsSurrogateAt(const unsigned char* p, std::size_t left) {
    return left >= 3 && p[0] == 0xED && p[1] >= 0xA0 && p[1] <= 0xBF && (p[2] & 0xC0) == 0x80;
}

std::uint32_t SurrogateValue(const unsigned char* p) {
    return 0xD000u | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
}

}  // namespace

bool ToTextResult(duk_context* context) {
    if (duk_is_null_or_undefined(context, -1)) {
        duk_pop(context);
        duk_push_undefined(context);
        return true;
    }
    duk_to_string(context, -1);
    return true;
}

bool ToNumberResult(duk_context* context, double* number) {
    ToPrimitiveInPlace(context);
    switch (duk_get_type(context, -1)) {
    case DUK_TYPE_UNDEFINED:
        *number = 0;
        return true;
    case DUK_TYPE_NULL:
        *number = 0;
        return false;
    case DUK_TYPE_NUMBER:
        *number = duk_get_number(context, -1);
        return true;
    case DUK_TYPE_BOOLEAN:
        *number = duk_get_boolean(context, -1) ? -1.0 : 0.0;
        return true;
    case DUK_TYPE_STRING: {
        duk_size_t size = 0;
        const char* text = duk_get_lstring(context, -1, &size);
        return ParseDecimal(text, size, number);
    }
    default:
        return false;
    }
}

bool ToBoolResult(duk_context* context, bool* boolean) {
    ToPrimitiveInPlace(context);
    switch (duk_get_type(context, -1)) {
    case DUK_TYPE_UNDEFINED:
        *boolean = false;
        return true;
    case DUK_TYPE_BOOLEAN:
        *boolean = duk_get_boolean(context, -1) != 0;
        return true;
    case DUK_TYPE_NUMBER:
        *boolean = duk_get_number(context, -1) != 0.0;  // NaN compares unequal: true
        return true;
    case DUK_TYPE_STRING: {
        duk_size_t size = 0;
        const char* text = duk_get_lstring(context, -1, &size);
        const char* begin = text;
        const char* end = text + size;
        while (begin < end && IsAutomationSpace(*begin)) ++begin;
        while (end > begin && IsAutomationSpace(end[-1])) --end;
        const auto length = static_cast<std::size_t>(end - begin);
        if (EqualsIgnoringCase(begin, length, "true")) {
            *boolean = true;
            return true;
        }
        if (EqualsIgnoringCase(begin, length, "false")) {
            *boolean = false;
            return true;
        }
        double number = 0;
        if (!ParseDecimal(text, size, &number)) return false;
        *boolean = number != 0.0;
        return true;
    }
    default:  // null and anything without a primitive value
        return false;
    }
}

Text ToEngineText(const Text& text) { return AnsiToUtf8(text); }

Text FromEngineText(const char* data, std::size_t size) {
    const void* nul = std::memchr(data, 0, size);
    if (nul != nullptr) size = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    // Surrogates, which the engine writes for characters beyond the Basic Multilingual Plane,
    // all begin with 0xED.
    bool surrogates = false;
    for (const void* at = std::memchr(data, 0xED, size); at != nullptr;) {
        const auto offset = static_cast<std::size_t>(static_cast<const char*>(at) - data);
        if (IsSurrogateAt(bytes + offset, size - offset)) {
            surrogates = true;
            break;
        }
        at = std::memchr(data + offset + 1, 0xED, size - offset - 1);
    }
    if (!surrogates) return Utf8ToAnsi(data, size);

    // Pairs become the one four-byte character they stand for, so that it reads as one "?";
    // a lone half becomes U+FFFD, which reads as "?" as well.
    Text utf8;
    utf8.reserve(size);
    for (std::size_t i = 0; i < size;) {
        if (IsSurrogateAt(bytes + i, size - i)) {
            const std::uint32_t high = SurrogateValue(bytes + i);
            if (high < 0xDC00 && IsSurrogateAt(bytes + i + 3, size - i - 3)) {
                const std::uint32_t low = SurrogateValue(bytes + i + 3);
                if (low >= 0xDC00) {
                    AppendUtf8(utf8, 0x10000u + ((high - 0xD800u) << 10) + (low - 0xDC00u));
                    i += 6;
                    continue;
                }
            }
            utf8 += "\xEF\xBF\xBD";
            i += 3;
            continue;
        }
        utf8.push_back(data[i]);
        ++i;
    }
    return Utf8ToAnsi(utf8);
}

}  // namespace seo::detail
