#include "originality.h"

#include "rewriting.h"

#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace seo::service {
namespace {

std::vector<char32_t> Content(const std::u32string& text) {
    std::vector<char32_t> out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t separator = 0;
        if (IsSeparatorAt(text, i, separator)) {
            i += separator;
        } else {
            out.push_back(text[i++]);
        }
    }
    return out;
}

// Character pairs when both texts have them, single characters otherwise.
std::vector<std::uint64_t> Grams(const std::vector<char32_t>& chars, bool pairs) {
    std::vector<std::uint64_t> grams;
    if (!pairs) {
        for (char32_t c : chars) grams.push_back(c);
        return grams;
    }
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) {
        grams.push_back((static_cast<std::uint64_t>(chars[i]) << 32) | chars[i + 1]);
    }
    return grams;
}

std::string Percent(int basisPoints) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%02d%%", basisPoints / 100, basisPoints % 100);
    return buffer;
}

}  // namespace

int OriginalityBasisPoints(const std::u32string& input, const std::u32string& output) {
    const auto in = Content(input);
    const auto out = Content(output);
    const bool pairs = in.size() >= 2 && out.size() >= 2;
    const auto inGrams = Grams(in, pairs);
    const auto outGrams = Grams(out, pairs);
    if (outGrams.empty()) return 0;
    std::unordered_map<std::uint64_t, std::size_t> available;
    for (auto g : inGrams) ++available[g];
    std::size_t shared = 0;
    for (auto g : outGrams) {
        auto it = available.find(g);
        if (it != available.end() && it->second > 0) {
            --it->second;
            ++shared;
        }
    }
    const std::size_t fresh = outGrams.size() - shared;
    return static_cast<int>((fresh * 10000 + outGrams.size() / 2) / outGrams.size());
}

std::string OriginalityReport(int basisPoints, std::size_t substitutions) {
    return "原创度：" + Percent(basisPoints) + "（与原文重合 " + Percent(10000 - basisPoints) + "，替换词语 " +
           std::to_string(substitutions) + " 处）";
}

}  // namespace seo::service
