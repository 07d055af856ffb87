#pragma once
// The example picture of the usage page, stored in the program as a JPEG.
#include <cstddef>

#include <QImage>

namespace seo {

extern const unsigned char kUsagePictureJpeg[];
extern const std::size_t kUsagePictureJpegSize;

// Decodes a baseline or progressive JPEG held in memory; a null image when it cannot.
QImage DecodeJpeg(const unsigned char* data, std::size_t size);

// The stored picture, decoded.
QImage UsagePicture();

}  // namespace seo
