#include "encoding/code_page.h"

#include <cerrno>
#include <iconv.h>

namespace seo {
namespace {

// iconv descriptors carry conversion state and must not be shared between threads;
// each thread opens its own pair once and keeps it until it ends.
class ThreadConverters {
public:
    ThreadConverters() = default;
    ThreadConverters(const ThreadConverters&) = delete;
    ThreadConverters& operator=(const ThreadConverters&) = delete;
    ~ThreadConverters() {
        if (toUtf8_ != kNone) iconv_close(toUtf8_);
        if (toAnsi_ != kNone) iconv_close(toAnsi_);
    }

    iconv_t ToUtf8() { return Open(toUtf8_, "UTF-8", "CP936"); }
    iconv_t ToAnsi() { return Open(toAnsi_, "CP936", "UTF-8"); }

private:
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

    static iconv_t Open(iconv_t& slot, const char* to, const char* from) {
        if (slot == kNone) slot = iconv_open(to, from);
        return slot;
    }

    iconv_t toUtf8_ = kNone;
    iconv_t toAnsi_ = kNone;
};

ThreadConverters& Converters() {
    thread_local ThreadConverters converters;
    return converters;
}

bool IsContinuation(unsigned char byte) { return byte >= 0x80 && byte <= 0xBF; }

// Length of the UTF-8 sequence at data[0..size): the whole character when it is well formed,
// otherwise the maximal subpart that could still have begun one (at least 1 byte).
struct Utf8Sequence {
    std::size_t length;
    bool wellFormed;
};

Utf8Sequence ReadUtf8Sequence(const unsigned char* data, std::size_t size) {
    const unsigned char lead = data[0];
    std::size_t need;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead < 0x80) {
        return {1, true};
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        need = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 3;
        if (lead == 0xE0) secondLow = 0xA0;   // overlong below U+0800
        if (lead == 0xED) secondHigh = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 4;
        if (lead == 0xF0) secondLow = 0x90;   // overlong below U+10000
        if (lead == 0xF4) secondHigh = 0x8F;  // beyond U+10FFFF
    } else {
        return {1, false};  // a stray continuation, C0, C1 or F5..FF
    }
    std::size_t i = 1;
    for (; i < need && i < size; ++i) {
        const unsigned char byte = data[i];
        const bool fits = i == 1 ? (byte >= secondLow && byte <= secondHigh) : IsContinuation(byte);
        if (!fits) return {i, false};
    }
    return {i, i == need};
}

// How many bytes of a code page 936 text one "?" stands for, at a byte iconv refused.
std::size_t BadAnsiSequenceLength(const unsigned char* data, std::size_t size) {
    const unsigned char lead = data[0];
    if (lead >= 0x81 && lead <= 0xFE && size >= 2) {
        const unsigned char trail = data[1];
        if ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE)) return 2;
    }
    return 1;
}

enum class Direction { kToUtf8, kToAnsi };

Text Convert(const char* data, std::size_t size, Direction direction) {
    if (size == 0) return Text();
    ThreadConverters& converters = Converters();
    iconv_t cd = direction == Direction::kToUtf8 ? converters.ToUtf8() : converters.ToAnsi();
    if (cd == reinterpret_cast<iconv_t>(-1)) return Text();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);

    Text out;
    // Chinese text grows by half into UTF-8 and shrinks by a third back.
    out.reserve(direction == Direction::kToUtf8 ? size + size / 2 : size);

    // Convert through a small buffer that stays in cache, so the result is written once and
    // no large buffer is zero-filled first. The input goes in pieces whose output always
    // fits: a full output buffer makes iconv convert its last stretch twice.
    char chunk[16384];
    const std::size_t maxPiece = direction == Direction::kToUtf8 ? sizeof chunk / 3 : sizeof chunk;
    char* in = const_cast<char*>(data);
    const char* const end = data + size;
    while (in < end) {
        const auto remaining = static_cast<std::size_t>(end - in);
        std::size_t inLeft = remaining < maxPiece ? remaining : maxPiece;
        char* outPos = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPos, &outLeft);
        const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
        out.append(chunk, static_cast<std::size_t>(outPos - chunk));
        // A piece that ends inside a character: the next piece starts at that character.
        if (error == 0 || error == E2BIG || (error == EINVAL && in + inLeft < end)) continue;
        if (error != EILSEQ && error != EINVAL) break;
        const auto* bad = reinterpret_cast<const unsigned char*>(in);
        const auto badLeft = static_cast<std::size_t>(end - in);
        std::size_t skip;
        if (direction == Direction::kToAnsi) {
            // Either a well-formed character code page 936 cannot hold or an ill-formed sequence.
            skip = ReadUtf8Sequence(bad, badLeft).length;
        } else {
            skip = BadAnsiSequenceLength(bad, badLeft);
        }
        out.push_back('?');
        in += skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace

Text AnsiToUtf8(const char* data, std::size_t size) { return Convert(data, size, Direction::kToUtf8); }
Text AnsiToUtf8(const Text& text) { return AnsiToUtf8(text.data(), text.size()); }

Text Utf8ToAnsi(const char* data, std::size_t size) { return Convert(data, size, Direction::kToAnsi); }
Text Utf8ToAnsi(const Text& text) { return Utf8ToAnsi(text.data(), text.size()); }

}  // namespace seo
