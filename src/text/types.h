#pragma once
// The value types every routine of the program works on.
#include <cstdint>
#include <string>
#include <vector>

namespace seo {

// Code page 936 bytes, unless a routine says it holds UTF-8. Positions are 1-based byte positions.
using Text = std::string;

// A counted byte buffer that may hold zero bytes. Kept apart from Text so every conversion is visible.
using Bytes = std::vector<std::uint8_t>;

}  // namespace seo
