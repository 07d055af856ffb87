#pragma once
// The icon's PNG files, stored in the program by the build.
#include <cstddef>

namespace seo {

extern const unsigned char kIcon32Png[];
extern const std::size_t kIcon32PngSize;
extern const unsigned char kIcon48Png[];
extern const std::size_t kIcon48PngSize;
extern const unsigned char kIcon256Png[];
extern const std::size_t kIcon256PngSize;

}  // namespace seo
