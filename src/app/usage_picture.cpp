#include "app/usage_picture.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace seo {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

[[noreturn]] void LeaveOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

void IgnoreMessage(j_common_ptr) {}

// Only plain C objects live in this frame: longjmp skips destructors.
bool DecodeInto(const unsigned char* data, std::size_t size, jpeg_decompress_struct& info, ErrorManager& errors,
                QImage& image) {
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = &LeaveOnError;
    errors.base.output_message = &IgnoreMessage;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height), QImage::Format_RGB888);
    if (image.isNull() || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size == 0) return {};
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    QImage image;
    if (!DecodeInto(data, size, info, errors, image)) return {};
    return image;
}

QImage UsagePicture() { return DecodeJpeg(kUsagePictureJpeg, kUsagePictureJpegSize); }

}  // namespace seo
