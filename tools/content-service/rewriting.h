// The deterministic rewrite: a fixed table of Chinese and English substitutions.
#pragma once

#include <cstddef>
#include <string>

namespace seo::service {

struct Rewrite {
    std::u32string text;
    std::size_t substitutions = 0;
};

// Line breaks (the backslash-n pair, CR LF, a lone CR or LF) pass through
// untouched and are never part of a word.
Rewrite RewriteText(const std::u32string& text);

// True for a line break or blank at `at`; `length` receives its width.
bool IsSeparatorAt(const std::u32string& text, std::size_t at, std::size_t& length);

}  // namespace seo::service
