// SPDX-License-Identifier: MIT
// texture_image.cpp - the checks and in-place conversion before an image is handed to OpenGL.
#include "texture/texture_image.h"

#include <cstring>

namespace {

constexpr int kMaxRowBytes = 3 * 32768;  // far beyond any texture size a driver accepts

void swapRedBlue(unsigned char* row, int width) {
    for (int x = 0; x < width; ++x, row += 3) {
        const unsigned char blue = row[0];
        row[0] = row[2];
        row[2] = blue;
    }
}

void flipRows(unsigned char* pixels, int64_t stride, int64_t rows) {
    unsigned char spare[kMaxRowBytes + 4];
    for (int64_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        unsigned char* a = pixels + top * stride;
        unsigned char* b = pixels + bottom * stride;
        memcpy(spare, a, size_t(stride));
        memcpy(a, b, size_t(stride));
        memcpy(b, spare, size_t(stride));
    }
}

}  // namespace

bool prepareTextureImage(const BitmapInfoHeader* info, unsigned char* pixels, TextureImage* image) {
    if (info->bitCount != 24 || info->compression != 0) return false;
    if (info->width < 1 || info->height == 0) return false;

    const int64_t rowBytes = 3 * int64_t(info->width);
    if (rowBytes > kMaxRowBytes) return false;
    const int64_t stride = (rowBytes + 3) & ~int64_t(3);
    const bool topDown = info->height < 0;
    const int64_t rows = topDown ? -int64_t(info->height) : int64_t(info->height);
    const int64_t available = bitmapPixelSize(info);
    if (available < 0 || stride * rows > available) return false;

    for (int64_t y = 0; y < rows; ++y) swapRedBlue(pixels + y * stride, info->width);
    if (topDown) flipRows(pixels, stride, rows);

    image->width = info->width;
    image->rows = int(rows);
    return true;
}
