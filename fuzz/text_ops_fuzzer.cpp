// The text operations over arbitrary bytes, checked against plain byte-by-byte references.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "text/text_ops.h"

namespace {

using seo::Text;

std::size_t CharLength(const Text& text, std::size_t i) {
    return (seo::IsLeadByte(text[i]) && i + 1 < text.size()) ? 2 : 1;
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Character by character through the sought text: two-byte characters compare exactly.
bool MatchesAt(const Text& text, std::size_t i, const Text& sought, bool ignoreCase) {
    if (i + sought.size() > text.size()) return false;
    for (std::size_t k = 0; k < sought.size(); ++k) {
        if (seo::IsLeadByte(sought[k]) && k + 1 < sought.size()) {
            if (text[i + k] != sought[k] || text[i + k + 1] != sought[k + 1]) return false;
            ++k;
        } else if ((ignoreCase ? Fold(text[i + k]) != Fold(sought[k]) : text[i + k] != sought[k])) {
            return false;
        }
    }
    return true;
}

int RefFind(const Text& text, const Text& sought, int start, bool ignoreCase) {
    if (start < 1) start = 1;
    if (static_cast<std::size_t>(start) > text.size()) return -1;
    if (sought.empty()) return 1;
    for (std::size_t i = start - 1; i < text.size(); i += CharLength(text, i))
        if (MatchesAt(text, i, sought, ignoreCase)) return static_cast<int>(i + 1);
    return -1;
}

int RefReverseFind(const Text& text, const Text& sought, std::optional<int> start, bool ignoreCase) {
    std::size_t limit = text.size();
    if (start) {
        if (*start <= 1) return -1;
        if (static_cast<std::size_t>(*start - 1) < limit) limit = *start - 1;
    }
    if (sought.empty()) return limit > 0 ? 1 : -1;
    int found = -1;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (i + sought.size() <= limit && MatchesAt(text, i, sought, ignoreCase)) found = static_cast<int>(i + 1);
    return found;
}

Text RefReplace(const Text& text, const Text& sought, const Text& replacement, int start, int count,
                bool caseSensitive) {
    if (text.empty() || sought.empty()) return text;
    if (start < 1) start = 1;
    if (static_cast<std::size_t>(start) > text.size()) return text;
    Text result = text.substr(0, start - 1);
    std::size_t from = start - 1;
    for (int done = 0; count <= 0 || done < count; ++done) {
        const int at = RefFind(text, sought, static_cast<int>(from + 1), !caseSensitive);
        if (at == -1 || from >= text.size()) break;
        result += text.substr(from, at - 1 - from) + replacement;
        from = at - 1 + sought.size();
    }
    return result + (from < text.size() ? text.substr(from) : Text());
}

std::vector<Text> RefSplit(const Text& text, const Text& delimiter, int maximum) {
    std::vector<Text> pieces;
    if (text.empty()) return pieces;
    if (delimiter.empty()) return {text};
    Text piece;
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, delimiter.size(), delimiter) == 0) {
            pieces.push_back(piece);
            piece.clear();
            i += delimiter.size();
        } else {
            piece += text[i++];
        }
    }
    if (!piece.empty()) pieces.push_back(piece);
    if (maximum > 0 && pieces.size() > static_cast<std::size_t>(maximum)) pieces.resize(maximum);
    return pieces;
}

Text RefMid(const Text& text, std::int64_t start, std::int64_t n) {
    Text result;
    if (n <= 0) return result;
    for (std::int64_t i = start; i >= 1 && i <= static_cast<std::int64_t>(text.size()) && i < start + n; ++i)
        result += text[i - 1];
    return result;
}

bool IsSpaceAt(const Text& text, std::size_t i) {
    return text[i] == ' ' || text.compare(i, 2, "\xA1\xA1") == 0;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool ignoreCase = in.ConsumeBool();
    const int start = in.ConsumeIntegralInRange<int>(-2, 70);
    const int count = in.ConsumeIntegralInRange<int>(-1, 4);
    const std::int64_t n = in.ConsumeIntegralInRange<std::int64_t>(-3, 70);
    const Text sought = in.ConsumeRandomLengthString(8);
    const Text replacement = in.ConsumeRandomLengthString(8);
    const Text text = in.ConsumeRemainingBytesAsString();

    Check(seo::Find(text, sought, start, ignoreCase) == RefFind(text, sought, start, ignoreCase));
    Check(seo::ReverseFind(text, sought, std::nullopt, ignoreCase) ==
          RefReverseFind(text, sought, std::nullopt, ignoreCase));
    Check(seo::ReverseFind(text, sought, start, ignoreCase) == RefReverseFind(text, sought, start, ignoreCase));
    Check(seo::Replace(text, sought, replacement, start, count, !ignoreCase) ==
          RefReplace(text, sought, replacement, start, count, !ignoreCase));

    const seo::TextArray pieces = seo::Split(text, sought, count);
    Check(pieces.Items() == RefSplit(text, sought, count));

    Check(seo::Mid(text, start, n) == RefMid(text, start, n));
    Check(seo::Left(text, n) == RefMid(text, 1, n));
    Check(seo::Right(text, n) == RefMid(text, static_cast<std::int64_t>(text.size()) - std::min<std::int64_t>(n, text.size()) + 1, n));

    // Trim takes spaces off both ends only, and only whole ones.
    const Text trimmed = seo::Trim(text);
    Check(text.find(trimmed) != Text::npos);
    Check(seo::Trim(trimmed) == trimmed);
    if (!trimmed.empty()) Check(!IsSpaceAt(trimmed, 0));

    const Text lower = seo::LowerCase(text);
    Check(lower.size() == text.size());
    for (std::size_t i = 0; i < lower.size(); i += CharLength(lower, i)) {
        Check(!(lower[i] >= 'A' && lower[i] <= 'Z'));
        if (CharLength(lower, i) == 2) Check(lower.compare(i, 2, text, i, 2) == 0);
    }

    // On plain ASCII of up to nine digits the C library gives the same value; longer numbers
    // wrap, which only has to be free of undefined behaviour.
    const std::int32_t value = seo::ToInteger(text);
    bool plain = text.find('\0') == Text::npos;
    std::size_t digits = 0;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) plain = false;
        if (c >= '0' && c <= '9') ++digits;
    }
    if (plain && digits <= 9) Check(value == static_cast<std::int32_t>(std::strtol(text.c_str(), nullptr, 10)));
    (void)seo::ToInteger(static_cast<double>(value) + 0.5);
    (void)seo::NumberToText(static_cast<double>(n) / 7.0);
    return 0;
}
