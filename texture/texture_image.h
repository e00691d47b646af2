// SPDX-License-Identifier: MIT
// texture_image.h - which bitmap images can become textures, and putting them in upload order.
//
// Pure bytes, no OpenGL, so it can be tested and fuzzed alone.
//
//   prepareTextureImage  accepts 24-bit uncompressed images whose pixel block holds every row
//                        (rows padded to four bytes, as bitmap files store them; tightly packed
//                        when 3 × width is a multiple of four). In place it swaps each pixel from
//                        blue-green-red to red-green-blue and turns a top-down image bottom-up.
//                        Padded rows then match OpenGL's default unpack alignment of four, so
//                        the upload needs no pixel-store change. Refuses everything else.
#pragma once

#include <cstdint>

#include "texture/bitmap.h"

struct TextureImage {
    int width;  // texels per row
    int rows;   // number of rows, always positive; 1 means a 1-D texture
};

// info: an info block as loadBitmapFile returns it (at least 40 bytes); pixels: its pixel block of
// bitmapPixelSize(info) bytes. Returns false, leaving the pixels untouched, when the image does
// not fit; then *image is not written.
bool prepareTextureImage(const BitmapInfoHeader* info, unsigned char* pixels, TextureImage* image);
