// The originality report: how much of the rewritten text is new against the original.
#pragma once

#include <cstddef>
#include <string>

namespace seo::service {

// Share of the output's character pairs (blanks and line breaks left out) that the
// input does not hold, in hundredths of a percent: 0 to 10000.
int OriginalityBasisPoints(const std::u32string& input, const std::u32string& output);

// UTF-8 report text, e.g. "原创度：62.50%（与原文重合 37.50%，替换词语 3 处）".
std::string OriginalityReport(int basisPoints, std::size_t substitutions);

}  // namespace seo::service
