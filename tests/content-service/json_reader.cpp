#include "json_reader.h"

#include <cstdint>

namespace seo::service_test {
namespace {

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document() {
        auto value = Value(0);
        SkipBlanks();
        if (!value || pos_ != text_.size()) return std::nullopt;
        return value;
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r')) {
            ++pos_;
        }
    }

    bool Consume(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word) return false;
        pos_ += word.size();
        return true;
    }

    std::optional<JsonValue> Value(int depth) {
        if (depth > 64) return std::nullopt;
        SkipBlanks();
        if (pos_ >= text_.size()) return std::nullopt;
        JsonValue v;
        const char c = text_[pos_];
        if (c == '"') {
            auto s = String();
            if (!s) return std::nullopt;
            v.kind = JsonValue::Kind::String;
            v.text = std::move(*s);
        } else if (c == '{') {
            ++pos_;
            v.kind = JsonValue::Kind::Object;
            SkipBlanks();
            if (Consume("}")) return v;
            for (;;) {
                SkipBlanks();
                auto name = String();
                SkipBlanks();
                if (!name || !Consume(":")) return std::nullopt;
                auto member = Value(depth + 1);
                if (!member) return std::nullopt;
                v.members.emplace_back(std::move(*name), std::move(*member));
                SkipBlanks();
                if (Consume("}")) return v;
                if (!Consume(",")) return std::nullopt;
            }
        } else if (c == '[') {
            ++pos_;
            v.kind = JsonValue::Kind::Array;
            SkipBlanks();
            if (Consume("]")) return v;
            for (;;) {
                auto item = Value(depth + 1);
                if (!item) return std::nullopt;
                v.items.push_back(std::move(*item));
                SkipBlanks();
                if (Consume("]")) return v;
                if (!Consume(",")) return std::nullopt;
            }
        } else if (Consume("true")) {
            v.kind = JsonValue::Kind::Bool;
            v.text = "true";
        } else if (Consume("false")) {
            v.kind = JsonValue::Kind::Bool;
            v.text = "false";
        } else if (Consume("null")) {
            v.kind = JsonValue::Kind::Null;
        } else {
            const std::size_t start = pos_;
            while (pos_ < text_.size() && std::string_view("+-0123456789.eE").find(text_[pos_]) != std::string_view::npos) ++pos_;
            if (pos_ == start) return std::nullopt;
            v.kind = JsonValue::Kind::Number;
            v.text = std::string(text_.substr(start, pos_ - start));
        }
        return v;
    }

    std::optional<std::uint32_t> Hex4() {
        if (pos_ + 4 > text_.size()) return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[pos_++];
            value <<= 4;
            if (h >= '0' && h <= '9') value |= static_cast<std::uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f') value |= static_cast<std::uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F') value |= static_cast<std::uint32_t>(h - 'A' + 10);
            else return std::nullopt;
        }
        return value;
    }

    std::optional<std::string> String() {
        if (!Consume("\"")) return std::nullopt;
        std::string out;
        while (pos_ < text_.size()) {
            const auto c = static_cast<unsigned char>(text_[pos_++]);
            if (c == '"') return out;
            if (c < 0x20) return std::nullopt;  // raw control characters are not JSON
            if (c != '\\') {
                out.push_back(static_cast<char>(c));
                continue;
            }
            if (pos_ >= text_.size()) return std::nullopt;
            const char e = text_[pos_++];
            switch (e) {
                case '"': out.push_back('"'); break;
                case '\\': out.push_back('\\'); break;
                case '/': out.push_back('/'); break;
                case 'b': out.push_back('\b'); break;
                case 'f': out.push_back('\f'); break;
                case 'n': out.push_back('\n'); break;
                case 'r': out.push_back('\r'); break;
                case 't': out.push_back('\t'); break;
                case 'u': {
                    auto cp = Hex4();
                    if (!cp) return std::nullopt;
                    if (*cp >= 0xD800 && *cp < 0xDC00) {
                        if (!Consume("\\u")) return std::nullopt;
                        auto low = Hex4();
                        if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
                        *cp = 0x10000 + ((*cp - 0xD800) << 10) + (*low - 0xDC00);
                    }
                    AppendUtf8(out, *cp);
                    break;
                }
                default: return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
    for (const auto& [key, value] : members) {
        if (key == name) return &value;
    }
    return nullptr;
}

std::optional<JsonValue> ParseJson(std::string_view text) { return Reader(text).Document(); }

std::optional<std::string> CodePointsToBytes(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const std::uint32_t cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
            if (cp > 0xFF) return std::nullopt;
            out.push_back(static_cast<char>(cp));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace seo::service_test
