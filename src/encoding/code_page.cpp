#include "encoding/code_page.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <vector>

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

// The conversion through iconv itself, with the rules of code_page.h for what it refuses.
Text ConvertWithIconv(const char* data, std::size_t size, Direction direction) {
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

// Both directions as tables, filled once per process by asking iconv about every byte, every
// pair and every character of the Basic Multilingual Plane, so the mapping stays iconv's and
// conversion costs a lookup per character. Characters beyond that plane still go to iconv.
class CodePageTables {
public:
    static constexpr std::uint16_t kNone = 0xFFFF;

    static const CodePageTables* Get() {
        static const std::unique_ptr<CodePageTables> tables = Build();
        return tables.get();
    }

    // Code page 936: a byte on its own, or kLead when it needs a second byte.
    static constexpr std::uint32_t kLead = 0x10000;
    std::uint32_t single[256];
    // (lead << 8 | trail) to a BMP character, kNone for a pair iconv refuses.
    std::vector<std::uint16_t> pair = std::vector<std::uint16_t>(0x10000, kNone);
    // A BMP character to its bytes: below 0x100 one byte, else lead and trail; kNone when
    // code page 936 cannot hold it.
    std::vector<std::uint16_t> ansi = std::vector<std::uint16_t>(0x10000, kNone);

private:
    enum class Outcome { kConverted, kIncomplete, kRefused, kOther };

    static Outcome Ask(iconv_t cd, const char* input, std::size_t size, char* out, std::size_t* outSize) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input);
        std::size_t inLeft = size;
        char* outPos = out;
        std::size_t outLeft = *outSize;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPos, &outLeft);
        *outSize -= outLeft;
        if (result != static_cast<std::size_t>(-1)) return inLeft == 0 ? Outcome::kConverted : Outcome::kOther;
        if (errno == EINVAL && in == input) return Outcome::kIncomplete;
        if (errno == EILSEQ && in == input) return Outcome::kRefused;
        return Outcome::kOther;
    }

    // One BMP character written as UTF-8, or kNone when the bytes are anything else.
    static std::uint32_t OneCharacter(const unsigned char* p, std::size_t size) {
        if (size == 0) return kNone;
        const Utf8Sequence sequence = ReadUtf8Sequence(p, size);
        if (!sequence.wellFormed || sequence.length != size || size > 3) return kNone;
        if (size == 1) return p[0];
        if (size == 2) return (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
        const std::uint32_t code = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
        return code == kNone ? std::uint32_t{0x10000} : code;  // U+FFFF cannot be stored: give up
    }

    static std::unique_ptr<CodePageTables> Build() {
        const iconv_t toUtf8 = iconv_open("UTF-8", "CP936");
        const iconv_t toAnsi = iconv_open("CP936", "UTF-8");
        std::unique_ptr<CodePageTables> tables(new CodePageTables);
        if (toUtf8 == reinterpret_cast<iconv_t>(-1) || toAnsi == reinterpret_cast<iconv_t>(-1) ||
            !tables->Fill(toUtf8, toAnsi)) {
            tables.reset();
        }
        if (toUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(toUtf8);
        if (toAnsi != reinterpret_cast<iconv_t>(-1)) iconv_close(toAnsi);
        return tables;
    }

    // False when iconv answers in a way the tables cannot hold; conversion then stays with iconv.
    bool Fill(iconv_t toUtf8, iconv_t toAnsi) {
        char out[16];
        for (unsigned lead = 0; lead < 256; ++lead) {
            const char one = static_cast<char>(lead);
            std::size_t outSize = sizeof out;
            switch (Ask(toUtf8, &one, 1, out, &outSize)) {
            case Outcome::kConverted: {
                const std::uint32_t code = OneCharacter(reinterpret_cast<unsigned char*>(out), outSize);
                if (code > 0xFFFF) return false;
                single[lead] = code;
                continue;
            }
            case Outcome::kRefused:
                single[lead] = kNone;
                continue;
            case Outcome::kIncomplete:
                single[lead] = kLead;
                break;
            case Outcome::kOther:
                return false;
            }
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                outSize = sizeof out;
                const Outcome outcome = Ask(toUtf8, two, 2, out, &outSize);
                if (outcome == Outcome::kRefused) continue;
                if (outcome != Outcome::kConverted) return false;
                const std::uint32_t code = OneCharacter(reinterpret_cast<unsigned char*>(out), outSize);
                if (code > 0xFFFF) return false;
                pair[lead << 8 | trail] = static_cast<std::uint16_t>(code);
            }
        }
        for (std::uint32_t code = 0; code < 0x10000; ++code) {
            if (code >= 0xD800 && code <= 0xDFFF) continue;
            unsigned char utf8[3];
            std::size_t length;
            if (code < 0x80) {
                utf8[0] = static_cast<unsigned char>(code);
                length = 1;
            } else if (code < 0x800) {
                utf8[0] = static_cast<unsigned char>(0xC0 | code >> 6);
                utf8[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
                length = 2;
            } else {
                utf8[0] = static_cast<unsigned char>(0xE0 | code >> 12);
                utf8[1] = static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F));
                utf8[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
                length = 3;
            }
            std::size_t outSize = sizeof out;
            const Outcome outcome = Ask(toAnsi, reinterpret_cast<char*>(utf8), length, out, &outSize);
            if (outcome == Outcome::kRefused) continue;
            if (outcome != Outcome::kConverted) return false;
            const auto* bytes = reinterpret_cast<unsigned char*>(out);
            if (outSize == 1) {
                ansi[code] = bytes[0];
            } else if (outSize == 2 && bytes[0] != 0 && !(bytes[0] == 0xFF && bytes[1] == 0xFF)) {
                ansi[code] = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
            } else {
                return false;
            }
        }
        return true;
    }

    CodePageTables() = default;
};

// ASCII is the same on both sides; the loops below copy it eight bytes at a time.
inline bool EightAscii(const unsigned char* in, std::uint64_t* word) {
    std::memcpy(word, in, 8);
    return (*word & 0x8080808080808080ull) == 0;
}

inline char* PutUtf8(char* out, std::uint32_t code) {
    if (code < 0x80) {
        *out++ = static_cast<char>(code);
    } else if (code < 0x800) {
        *out++ = static_cast<char>(0xC0 | code >> 6);
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out++ = static_cast<char>(0xE0 | code >> 12);
        *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

Text TableToUtf8(const CodePageTables& tables, const unsigned char* in, std::size_t size) {
    Text out;
    out.resize(size * 3);  // every byte or pair gives at most three bytes
    char* const begin = out.data();
    char* pos = begin;
    std::size_t i = 0;
    while (i < size) {
        const unsigned char byte = in[i];
        if (byte < 0x80) {
            std::uint64_t word;
            if (i + 8 <= size && EightAscii(in + i, &word)) {
                std::memcpy(pos, &word, 8);
                pos += 8;
                i += 8;
            } else {
                *pos++ = static_cast<char>(byte);
                ++i;
            }
            continue;
        }
        const std::uint32_t single = tables.single[byte];
        if (single == CodePageTables::kLead && i + 1 < size) {
            const std::uint16_t code = tables.pair[byte << 8 | in[i + 1]];
            if (code != CodePageTables::kNone) {
                pos = PutUtf8(pos, code);
                i += 2;
                continue;
            }
        } else if (single < CodePageTables::kLead && single != CodePageTables::kNone) {
            pos = PutUtf8(pos, single);
            ++i;
            continue;
        }
        *pos++ = '?';
        i += BadAnsiSequenceLength(in + i, size - i);
    }
    out.resize(static_cast<std::size_t>(pos - begin));
    return out;
}

inline char* PutAnsi(char* out, std::uint16_t bytes) {
    if (bytes == CodePageTables::kNone) {
        *out++ = '?';
    } else if (bytes < 0x100) {
        *out++ = static_cast<char>(bytes);
    } else {
        *out++ = static_cast<char>(bytes >> 8);
        *out++ = static_cast<char>(bytes & 0xFF);
    }
    return out;
}

Text TableToAnsi(const CodePageTables& tables, const unsigned char* in, std::size_t size) {
    Text out;
    out.resize(size);  // no character or broken sequence gives more bytes than it takes
    char* const begin = out.data();
    char* pos = begin;
    std::size_t i = 0;
    while (i < size) {
        const unsigned char byte = in[i];
        if (byte < 0x80) {
            std::uint64_t word;
            if (i + 8 <= size && EightAscii(in + i, &word)) {
                std::memcpy(pos, &word, 8);
                pos += 8;
                i += 8;
            } else {
                *pos++ = static_cast<char>(byte);
                ++i;
            }
            continue;
        }
        // Most Chinese text: a three-byte form whose lead puts no limit on its second byte.
        if (byte >= 0xE1 && byte <= 0xEF && byte != 0xED && i + 2 < size && IsContinuation(in[i + 1]) &&
            IsContinuation(in[i + 2])) {
            const std::uint32_t code = (byte & 0x0Fu) << 12 | (in[i + 1] & 0x3Fu) << 6 | (in[i + 2] & 0x3Fu);
            pos = PutAnsi(pos, tables.ansi[code]);
            i += 3;
            continue;
        }
        const Utf8Sequence sequence = ReadUtf8Sequence(in + i, size - i);
        if (!sequence.wellFormed) {
            *pos++ = '?';
        } else if (sequence.length <= 3) {
            const unsigned char* p = in + i;
            const std::uint32_t code = sequence.length == 2
                                           ? (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu)
                                           : (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            pos = PutAnsi(pos, tables.ansi[code]);
        } else {
            // Beyond the Basic Multilingual Plane: iconv decides, as it does for the tables.
            const Text converted = ConvertWithIconv(reinterpret_cast<const char*>(in + i), sequence.length,
                                                    Direction::kToAnsi);
            if (converted.size() > sequence.length) {
                return ConvertWithIconv(reinterpret_cast<const char*>(in), size, Direction::kToAnsi);
            }
            std::memcpy(pos, converted.data(), converted.size());
            pos += converted.size();
        }
        i += sequence.length;
    }
    out.resize(static_cast<std::size_t>(pos - begin));
    return out;
}

Text Convert(const char* data, std::size_t size, Direction direction) {
    if (size == 0) return Text();
    const CodePageTables* tables = CodePageTables::Get();
    if (tables == nullptr) return ConvertWithIconv(data, size, direction);
    const auto* in = reinterpret_cast<const unsigned char*>(data);
    return direction == Direction::kToUtf8 ? TableToUtf8(*tables, in, size) : TableToAnsi(*tables, in, size);
}

}  // namespace

Text AnsiToUtf8(const char* data, std::size_t size) { return Convert(data, size, Direction::kToUtf8); }
Text AnsiToUtf8(const Text& text) { return AnsiToUtf8(text.data(), text.size()); }

Text Utf8ToAnsi(const char* data, std::size_t size) { return Convert(data, size, Direction::kToAnsi); }
Text Utf8ToAnsi(const Text& text) { return Utf8ToAnsi(text.data(), text.size()); }

}  // namespace seo
