#include "text/text_ops.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace seo {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of the character that starts at offset i: 2 for a lead byte with a byte after it.
std::size_t CharLength(const Text& text, std::size_t i) {
    return (IsLeadByte(text[i]) && i + 1 < text.size()) ? 2 : 1;
}

// Whether sought stands at offset i. Case folding applies to single-byte characters only,
// so the second byte of a two-byte character always compares exactly.
bool MatchesAt(const Text& text, std::size_t i, const Text& sought, bool ignoreCase) {
    if (sought.size() > text.size() - i) return false;
    if (!ignoreCase) return std::memcmp(text.data() + i, sought.data(), sought.size()) == 0;
    for (std::size_t k = 0; k < sought.size(); ++k) {
        const char a = text[i + k];
        const char b = sought[k];
        if (IsLeadByte(b) && k + 1 < sought.size()) {
            if (a != b || text[i + k + 1] != sought[k + 1]) return false;
            ++k;
        } else if (FoldAscii(a) != FoldAscii(b)) {
            return false;
        }
    }
    return true;
}

// Offset of the first match at or after offset `from`, stepping by characters from there.
std::size_t FindOffset(const Text& text, const Text& sought, std::size_t from, bool ignoreCase) {
    if (sought.empty()) return from < text.size() ? from : Text::npos;
    if (!ignoreCase && !IsLeadByte(sought[0])) {
        // Fast path: jump between candidates of the first byte, then check the boundary.
        std::size_t boundary = from;
        while (boundary < text.size()) {
            const void* hit = std::memchr(text.data() + boundary, sought[0], text.size() - boundary);
            if (!hit) return Text::npos;
            const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
            while (boundary < at) boundary += CharLength(text, boundary);
            if (boundary == at && MatchesAt(text, at, sought, false)) return at;
            if (boundary == at) boundary += CharLength(text, boundary);
        }
        return Text::npos;
    }
    for (std::size_t i = from; i < text.size(); i += CharLength(text, i)) {
        if (MatchesAt(text, i, sought, ignoreCase)) return i;
    }
    return Text::npos;
}

}  // namespace

int Find(const Text& text, const Text& sought, int start, bool ignoreCase) {
    if (start < 1) start = 1;
    if (static_cast<std::size_t>(start) > text.size()) return -1;
    if (sought.empty()) return 1;
    const std::size_t at = FindOffset(text, sought, static_cast<std::size_t>(start - 1), ignoreCase);
    return at == Text::npos ? -1 : static_cast<int>(at + 1);
}

int ReverseFind(const Text& text, const Text& sought, std::optional<int> start, bool ignoreCase) {
    std::size_t limit = text.size();  // a match must end at or before this offset
    if (start) {
        if (*start <= 1) return -1;
        limit = std::min(limit, static_cast<std::size_t>(*start - 1));
    }
    if (sought.size() > limit) return -1;
    if (sought.empty()) return limit > 0 ? 1 : -1;  // as Find: the searched part is not empty
    int found = -1;
    for (std::size_t i = 0; i + sought.size() <= limit; i += CharLength(text, i)) {
        if (MatchesAt(text, i, sought, ignoreCase)) found = static_cast<int>(i + 1);
    }
    return found;
}

Text Left(const Text& text, std::int64_t n) {
    if (n <= 0) return Text();
    return text.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(n, static_cast<std::int64_t>(text.size()))));
}

Text Right(const Text& text, std::int64_t n) {
    if (n <= 0) return Text();
    const auto take = static_cast<std::size_t>(std::min<std::int64_t>(n, static_cast<std::int64_t>(text.size())));
    return text.substr(text.size() - take);
}

Text Mid(const Text& text, std::int64_t start, std::int64_t n) {
    if (n <= 0 || start < 1 || start > static_cast<std::int64_t>(text.size())) return Text();
    return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(std::min<std::int64_t>(n, static_cast<std::int64_t>(text.size()))));
}

Text Replace(const Text& text, const Text& sought, const Text& replacement, int start, int count,
             bool caseSensitive) {
    if (text.empty() || sought.empty()) return text;
    if (start < 1) start = 1;
    if (static_cast<std::size_t>(start) > text.size()) return text;
    Text result;
    result.reserve(text.size());
    std::size_t from = static_cast<std::size_t>(start - 1);
    result.append(text, 0, from);
    int done = 0;
    while (count <= 0 || done < count) {
        const std::size_t at = FindOffset(text, sought, from, !caseSensitive);
        if (at == Text::npos) break;
        result.append(text, from, at - from);
        result += replacement;
        from = at + sought.size();
        ++done;
    }
    result.append(text, from, Text::npos);
    return result;
}

TextArray Split(const Text& text, const Text& delimiter, int maximum) {
    std::vector<Text> pieces;
    if (text.empty()) return TextArray();
    if (delimiter.empty()) return TextArray({text});
    const auto wanted = [&] { return maximum <= 0 || pieces.size() < static_cast<std::size_t>(maximum); };
    std::size_t from = 0;
    while (wanted()) {
        const std::size_t at = text.find(delimiter, from);
        if (at == Text::npos) {
            if (from < text.size()) pieces.push_back(text.substr(from));
            break;
        }
        pieces.push_back(text.substr(from, at - from));
        from = at + delimiter.size();
    }
    return TextArray(std::move(pieces));
}

Text Trim(const Text& text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        if (text[begin] == ' ') {
            begin += 1;
        } else if (text.compare(begin, 2, "\xA1\xA1") == 0) {
            begin += 2;
        } else {
            break;
        }
    }
    // The end is found on character boundaries, so a full-width space is never
    // mistaken in the second byte of another character.
    std::size_t end = begin;
    for (std::size_t i = begin; i < text.size(); i += CharLength(text, i)) {
        const bool space = text[i] == ' ' || text.compare(i, 2, "\xA1\xA1") == 0;
        if (!space) end = i + CharLength(text, i);
    }
    return text.substr(begin, end - begin);
}

Text LowerCase(const Text& text) {
    Text result = text;
    for (std::size_t i = 0; i < result.size(); i += CharLength(result, i)) {
        result[i] = FoldAscii(result[i]);
    }
    return result;
}

std::int32_t ToInteger(const Text& text) {
    // Fold full-width forms to ASCII, character by character.
    Text folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = CharLength(text, i);
        if (length == 2) {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                folded += static_cast<char>(trail - 0xA1 + 0x21);
            } else if (lead == 0xA1 && trail == 0xA1) {
                folded += ' ';
            } else {
                folded.append(text, i, 2);
            }
        } else {
            folded += text[i];
        }
        i += length;
    }
    std::size_t i = 0;
    while (i < folded.size() && (folded[i] == ' ' || (folded[i] >= '\t' && folded[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';
    std::uint32_t value = 0;  // unsigned, so that overflow wraps without undefined behaviour
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(folded[i] - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::int32_t ToInteger(double value) {
    if (std::isnan(value)) return 0;
    const double truncated = std::trunc(value);
    if (truncated >= 2147483647.0) return INT32_MAX;
    if (truncated <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(truncated);
}

Text BytesToText(const Bytes& bytes) {
    if (bytes.empty()) return Text();  // an empty vector's data() may be null, which memchr must not get
    const void* nul = std::memchr(bytes.data(), 0, bytes.size());
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - bytes.data())
                                   : bytes.size();
    return Text(reinterpret_cast<const char*>(bytes.data()), length);
}

Bytes TextToBytes(const Text& text) { return Bytes(text.begin(), text.end()); }

Text NumberToText(std::int64_t value) { return std::to_string(value); }

Text NumberToText(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.13g", value);
    Text text = buffer;
    // The C library writes at least two exponent digits; this format wants three.
    const std::size_t e = text.find('e');
    if (e != Text::npos && e + 2 < text.size()) {
        const std::size_t digits = text.size() - (e + 2);
        if (digits < 3) text.insert(e + 2, 3 - digits, '0');
    }
    return text;
}

}  // namespace seo
