#include "rewriting.h"

#include "text_codec.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace seo::service {
namespace {

struct Substitution {
    const char* from;
    const char* to;
};

// Longest match wins; no target is itself a source, so a second pass changes only
// what the first left alone.
constexpr Substitution kChinese[] = {
    {"因为", "由于"}, {"所以", "因此"}, {"但是", "然而"}, {"非常", "十分"},
    {"重要", "关键"}, {"方法", "方式"}, {"可以", "能够"}, {"发展", "进展"},
    {"问题", "难题"}, {"提高", "提升"}, {"很多", "许多"}, {"现在", "目前"},
    {"已经", "早已"}, {"开始", "着手"}, {"认为", "觉得"}, {"使用", "运用"},
    {"帮助", "协助"}, {"快速", "迅速"}, {"选择", "挑选"}, {"增加", "增添"},
    {"优化", "改良"}, {"网站", "站点"}, {"文章", "文稿"}, {"搜索", "检索"},
    {"简单", "容易"}, {"特别", "尤其"}, {"经常", "常常"}, {"主要", "首要"},
    {"目的", "目标"}, {"效果", "成效"}, {"了解", "知晓"}, {"希望", "期望"},
    {"如果", "假如"}, {"虽然", "尽管"}, {"而且", "并且"}, {"通过", "经由"},
    {"进行", "开展"}, {"排名", "名次"}, {"一些", "某些"}, {"美丽", "漂亮"},
};

constexpr Substitution kEnglish[] = {
    {"good", "fine"}, {"great", "excellent"}, {"big", "large"}, {"small", "little"},
    {"important", "significant"}, {"use", "employ"}, {"help", "assist"}, {"show", "demonstrate"},
    {"make", "create"}, {"very", "highly"}, {"quick", "rapid"}, {"quickly", "rapidly"},
    {"buy", "purchase"}, {"start", "begin"}, {"many", "numerous"}, {"article", "piece"},
    {"method", "approach"}, {"problem", "issue"}, {"improve", "enhance"}, {"get", "obtain"},
    {"need", "require"}, {"because", "since"}, {"easy", "simple"}, {"often", "frequently"},
    {"website", "site"}, {"change", "alter"}, {"idea", "notion"}, {"answer", "reply"},
};

struct Tables {
    std::vector<std::pair<std::u32string, std::u32string>> chinese;  // longest source first
    std::map<std::u32string, std::u32string> english;                // lower-case words
};

const Tables& SubstitutionTables() {
    static const Tables tables = [] {
        Tables t;
        for (const auto& s : kChinese) t.chinese.emplace_back(*DecodeUtf8(s.from), *DecodeUtf8(s.to));
        std::stable_sort(t.chinese.begin(), t.chinese.end(),
                         [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
        for (const auto& s : kEnglish) t.english.emplace(*DecodeUtf8(s.from), *DecodeUtf8(s.to));
        return t;
    }();
    return tables;
}

bool IsAsciiLetter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }
char32_t Lower(char32_t c) { return (c >= U'A' && c <= U'Z') ? c + 32 : c; }
char32_t Upper(char32_t c) { return (c >= U'a' && c <= U'z') ? c - 32 : c; }

// Keeps the look of the original word: all capitals, a leading capital, or as found.
std::u32string MatchCase(const std::u32string& original, const std::u32string& replacement) {
    std::u32string out = replacement;
    const bool allUpper = original.size() > 1 &&
                          std::all_of(original.begin(), original.end(), [](char32_t c) { return c >= U'A' && c <= U'Z'; });
    if (allUpper) {
        std::transform(out.begin(), out.end(), out.begin(), Upper);
    } else if (!original.empty() && original[0] >= U'A' && original[0] <= U'Z' && !out.empty()) {
        out[0] = Upper(out[0]);
    }
    return out;
}

}  // namespace

bool IsSeparatorAt(const std::u32string& text, std::size_t at, std::size_t& length) {
    const char32_t c = text[at];
    if (c == U'\\' && at + 1 < text.size() && text[at + 1] == U'n') {
        length = 2;
        return true;
    }
    if (c == U'\r' && at + 1 < text.size() && text[at + 1] == U'\n') {
        length = 2;
        return true;
    }
    if (c == U'\r' || c == U'\n' || c == U' ' || c == U'\t' || c == U'\u3000') {
        length = 1;
        return true;
    }
    return false;
}

Rewrite RewriteText(const std::u32string& text) {
    const Tables& tables = SubstitutionTables();
    Rewrite result;
    result.text.reserve(text.size() + text.size() / 4);
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t separator = 0;
        if (IsSeparatorAt(text, i, separator)) {
            result.text.append(text, i, separator);
            i += separator;
            continue;
        }
        if (IsAsciiLetter(text[i])) {
            std::size_t end = i;
            while (end < text.size() && IsAsciiLetter(text[end])) ++end;
            const std::u32string word = text.substr(i, end - i);
            std::u32string lower = word;
            std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
            const auto found = tables.english.find(lower);
            if (found != tables.english.end()) {
                result.text += MatchCase(word, found->second);
                ++result.substitutions;
            } else {
                result.text += word;
            }
            i = end;
            continue;
        }
        bool replaced = false;
        for (const auto& [from, to] : tables.chinese) {
            if (text.compare(i, from.size(), from) == 0) {
                result.text += to;
                i += from.size();
                ++result.substitutions;
                replaced = true;
                break;
            }
        }
        if (!replaced) result.text.push_back(text[i++]);
    }
    return result;
}

}  // namespace seo::service
