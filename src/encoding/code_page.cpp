#include "encoding/code_page.h"

#include <bit>
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
//
// An entry holds the bytes of a character, first byte lowest, and their count in the top
// byte; 0 where iconv refuses.
using Encoded = std::uint32_t;
static_assert(std::endian::native == std::endian::little, "entries are stored as they lie in memory");

constexpr Encoded Encode(const unsigned char* bytes, std::size_t count) {
    Encoded entry = static_cast<Encoded>(count) << 24;
    for (std::size_t i = 0; i < count; ++i) entry |= static_cast<Encoded>(bytes[i]) << (8 * i);
    return entry;
}

constexpr std::size_t CountOf(Encoded entry) { return entry >> 24; }

class CodePageTables {
public:
    static const CodePageTables* Get() {
        static const std::unique_ptr<CodePageTables> tables = Build();
        return tables.get();
    }

    // Code page 936 to UTF-8: a byte on its own, or, for a lead byte (all are 0x80 or above),
    // the pair it begins, at (lead - 0x80) << 8 | trail.
    bool lead[256] = {};
    Encoded single[256] = {};
    std::vector<Encoded> pair = std::vector<Encoded>(0x8000, 0);
    // A BMP character to its code page 936 bytes.
    std::vector<Encoded> ansi = std::vector<Encoded>(0x10000, 0);

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

    // One BMP character written as UTF-8, as an entry, or 0 when the bytes are anything else.
    static Encoded OneCharacter(const char* out, std::size_t size) {
        const auto* p = reinterpret_cast<const unsigned char*>(out);
        if (size == 0 || size > 3) return 0;
        const Utf8Sequence sequence = ReadUtf8Sequence(p, size);
        if (!sequence.wellFormed || sequence.length != size) return 0;
        return Encode(p, size);
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
        for (unsigned first = 0; first < 256; ++first) {
            const char one = static_cast<char>(first);
            std::size_t outSize = sizeof out;
            switch (Ask(toUtf8, &one, 1, out, &outSize)) {
            case Outcome::kConverted:
                single[first] = OneCharacter(out, outSize);
                if (single[first] == 0) return false;
                continue;
            case Outcome::kRefused:
                continue;
            case Outcome::kIncomplete:
                if (first < 0x80) return false;
                lead[first] = true;
                break;
            case Outcome::kOther:
                return false;
            }
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char two[2] = {static_cast<char>(first), static_cast<char>(trail)};
                outSize = sizeof out;
                const Outcome outcome = Ask(toUtf8, two, 2, out, &outSize);
                if (outcome == Outcome::kRefused) continue;
                if (outcome != Outcome::kConverted) return false;
                const Encoded entry = OneCharacter(out, outSize);
                if (entry == 0) return false;
                pair[(first - 0x80) << 8 | trail] = entry;
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
            if (outcome != Outcome::kConverted || outSize == 0 || outSize > 2) return false;
            ansi[code] = Encode(reinterpret_cast<unsigned char*>(out), outSize);
        }
        return true;
    }

    CodePageTables() = default;
};

// The converters write straight into the result, sized for the usual output and grown when a
// step could pass its end; a step writes at most eight bytes (an entry is written whole, its
// count byte landing past the end to be overwritten). The write position and the tables live
// in locals: stores through char pointers could alias anything held in memory.
constexpr std::size_t kStep = 8;

struct Output {
    Text text;
    char* pos;
    char* limit;

    explicit Output(std::size_t expected) {
        text.resize(expected + kStep);
        pos = text.data();
        limit = pos + text.size() - kStep;
    }

    static void Grow(Text& text, char*& pos, char*& limit) {
        const auto used = static_cast<std::size_t>(pos - text.data());
        text.resize(text.size() * 2);
        pos = text.data() + used;
        limit = text.data() + text.size() - kStep;
    }

    Text Finish(char* end) {
        text.resize(static_cast<std::size_t>(end - text.data()));
        return std::move(text);
    }
};

inline char* PutEntry(char* pos, Encoded entry) {
    std::memcpy(pos, &entry, sizeof entry);
    return pos + CountOf(entry);
}

// ASCII is the same on both sides; it is copied eight bytes at a time where it can be.
inline std::size_t PutAscii(char*& pos, const unsigned char* in, std::size_t left) {
    if (left >= 8) {
        std::uint64_t word;
        std::memcpy(&word, in, 8);
        if ((word & 0x8080808080808080ull) == 0) {
            std::memcpy(pos, &word, 8);
            pos += 8;
            return 8;
        }
    }
    *pos++ = static_cast<char>(in[0]);
    return 1;
}

Text TableToUtf8(const CodePageTables& tables, const unsigned char* in, std::size_t size) {
    Output out(size + size / 2);  // Chinese text grows by half
    char* pos = out.pos;
    char* limit = out.limit;
    const bool* const lead = tables.lead;
    const Encoded* const single = tables.single;
    const Encoded* const pair = tables.pair.data();
    std::size_t i = 0;
    while (i < size) {
        if (pos > limit) Output::Grow(out.text, pos, limit);
        const unsigned char byte = in[i];
        if (byte < 0x80) {
            i += PutAscii(pos, in + i, size - i);
            continue;
        }
        if (lead[byte]) {
            if (i + 1 < size) {
                const Encoded entry = pair[(byte - 0x80u) << 8 | in[i + 1]];
                if (entry != 0) {
                    pos = PutEntry(pos, entry);
                    i += 2;
                    continue;
                }
            }
        } else if (single[byte] != 0) {
            pos = PutEntry(pos, single[byte]);
            ++i;
            continue;
        }
        *pos++ = '?';
        i += BadAnsiSequenceLength(in + i, size - i);
    }
    return out.Finish(pos);
}

inline char* PutAnsi(char* pos, Encoded entry) {
    if (entry == 0) {
        *pos = '?';
        return pos + 1;
    }
    return PutEntry(pos, entry);
}

Text TableToAnsi(const CodePageTables& tables, const unsigned char* in, std::size_t size) {
    Output out(size);  // no character or broken sequence gives more bytes than it takes
    char* pos = out.pos;
    char* limit = out.limit;
    const Encoded* const ansi = tables.ansi.data();
    std::size_t i = 0;
    while (i < size) {
        if (pos > limit) Output::Grow(out.text, pos, limit);
        const unsigned char byte = in[i];
        if (byte < 0x80) {
            i += PutAscii(pos, in + i, size - i);
            continue;
        }
        // Most Chinese text: a three-byte form whose lead (E1..EC, EE, EF) puts no limit on its
        // second byte.
        if (i + 2 < size && static_cast<unsigned char>(byte - 0xE1) <= 0x0E && byte != 0xED &&
            ((in[i + 1] & 0xC0) | (in[i + 2] & 0xC0) >> 2) == 0xA0) {
            pos = PutAnsi(pos, ansi[(byte & 0x0Fu) << 12 | (in[i + 1] & 0x3Fu) << 6 | (in[i + 2] & 0x3Fu)]);
            i += 3;
            continue;
        }
        const Utf8Sequence sequence = ReadUtf8Sequence(in + i, size - i);
        if (!sequence.wellFormed) {
            *pos++ = '?';
        } else if (sequence.length <= 3) {
            const unsigned char* p = in + i;
            pos = PutAnsi(pos, ansi[sequence.length == 2
                                        ? (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu)
                                        : (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu)]);
        } else {
            // Code page 936 holds nothing beyond the Basic Multilingual Plane. (iconv would drop
            // the tag characters there instead of marking them.)
            *pos++ = '?';
        }
        i += sequence.length;
    }
    return out.Finish(pos);
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
