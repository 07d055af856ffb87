#pragma once
// Standard Base64 with "=" padding and no line breaks.
#include <cstddef>

#include "text/types.h"

namespace seo {

// 4 x ceil(size / 3) characters; the empty buffer gives the empty text. Cannot fail.
Text Base64Encode(const Bytes& data);
Text Base64Encode(const void* data, std::size_t size);

}  // namespace seo
