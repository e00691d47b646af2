// SPDX-License-Identifier: MIT
// Which images may become textures, and the in-place colour swap and row flip before upload.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "tests/bitmap_fixtures.h"
#include "texture/texture_image.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes pattern(size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = (unsigned char)(i * 5 + 1);
    return bytes;
}

// Runs the check on a copy of the pixels; a refusal must leave them and the result alone.
void expectRefused(const BitmapInfoHeader& info, const char* what) {
    Bytes pixels = pattern(256);
    const Bytes before = pixels;
    TextureImage image = {-7, -7};
    EXPECT_FALSE(prepareTextureImage(&info, pixels.data(), &image)) << what;
    EXPECT_EQ(pixels, before) << what;
    EXPECT_EQ(image.width, -7) << what;
    EXPECT_EQ(image.rows, -7) << what;
}

TEST(PrepareTextureImage, SwapsBlueAndRedOfEveryPixelInPlace) {
    Bytes pixels;
    for (int i = 0; i < 8; ++i) pixels.insert(pixels.end(), {10, 20, 30});
    pixels[21] = 1;  // the last pixel differs, to show each pixel is swapped on its own
    pixels[23] = 3;
    const BitmapInfoHeader info = infoHeader(4, 2);
    TextureImage image = {};
    ASSERT_TRUE(prepareTextureImage(&info, pixels.data(), &image));
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.rows, 2);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(pixels[3 * i], 30) << i;
        EXPECT_EQ(pixels[3 * i + 1], 20) << i;
        EXPECT_EQ(pixels[3 * i + 2], 10) << i;
    }
    EXPECT_EQ(pixels[21], 3);
    EXPECT_EQ(pixels[22], 20);
    EXPECT_EQ(pixels[23], 1);
}

TEST(PrepareTextureImage, PaddedRowsSwapOnlyPixelBytes) {
    // Width 5: 15 pixel bytes and one padding byte a row, as the file and OpenGL's unpack
    // alignment of four both lay them out.
    const Bytes original = pattern(32);
    Bytes pixels = original;
    const BitmapInfoHeader info = infoHeader(5, 2, 24, 32);
    TextureImage image = {};
    ASSERT_TRUE(prepareTextureImage(&info, pixels.data(), &image));
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.rows, 2);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 5; ++x) {
            const int at = row * 16 + 3 * x;
            EXPECT_EQ(pixels[at], original[at + 2]);
            EXPECT_EQ(pixels[at + 1], original[at + 1]);
            EXPECT_EQ(pixels[at + 2], original[at]);
        }
        EXPECT_EQ(pixels[row * 16 + 15], original[row * 16 + 15]) << "padding of row " << row;
    }
}

TEST(PrepareTextureImage, TopDownImagesAreTurnedBottomUp) {
    // Three padded rows stored top-down; afterwards the bottom row comes first, each swapped.
    const Bytes original = pattern(48);
    Bytes pixels = original;
    const BitmapInfoHeader info = infoHeader(5, -3, 24, 48);
    TextureImage image = {};
    ASSERT_TRUE(prepareTextureImage(&info, pixels.data(), &image));
    EXPECT_EQ(image.rows, 3);
    for (int row = 0; row < 3; ++row) {
        const int from = (2 - row) * 16, to = row * 16;
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(pixels[to + 3 * x], original[from + 3 * x + 2]);
            EXPECT_EQ(pixels[to + 3 * x + 1], original[from + 3 * x + 1]);
            EXPECT_EQ(pixels[to + 3 * x + 2], original[from + 3 * x]);
        }
        EXPECT_EQ(pixels[to + 15], original[from + 15]);  // the padding travels with its row
    }

    // An even number of rows, and a single row, which stays where it is.
    Bytes two = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    const BitmapInfoHeader twoRows = infoHeader(4, -2);
    ASSERT_TRUE(prepareTextureImage(&twoRows, two.data(), &image));
    EXPECT_EQ(two, (Bytes{15, 14, 13, 18, 17, 16, 21, 20, 19, 24, 23, 22, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
    Bytes one = {1, 2, 3, 4, 5, 6, 7, 8};
    const BitmapInfoHeader oneRow = infoHeader(2, -1, 24, 8);
    ASSERT_TRUE(prepareTextureImage(&oneRow, one.data(), &image));
    EXPECT_EQ(one, (Bytes{3, 2, 1, 6, 5, 4, 7, 8}));
    EXPECT_EQ(image.rows, 1);
}

TEST(PrepareTextureImage, AcceptsTheWidestAllowedRow) {
    Bytes pixels(3 * 32768, 0);
    pixels[0] = 1;
    const BitmapInfoHeader info = infoHeader(32768, -1);
    TextureImage image = {};
    ASSERT_TRUE(prepareTextureImage(&info, pixels.data(), &image));
    EXPECT_EQ(image.width, 32768);
    EXPECT_EQ(pixels[2], 1);
}

TEST(PrepareTextureImage, RefusesWhatDoesNotFitAThreeByteUpload) {
    expectRefused(infoHeader(4, 2, 8, 0), "8-bit");
    expectRefused(infoHeader(4, 2, 32, 0), "32-bit");
    expectRefused(infoHeader(4, 2, 16, 0), "16-bit");
    expectRefused(infoHeader(4, 2, 24, 24, 1), "run-length");
    expectRefused(infoHeader(4, 2, 24, 24, 3), "bit fields");
    expectRefused(infoHeader(0, 2), "width 0");
    expectRefused(infoHeader(-4, 2, 24, 24), "negative width");
    expectRefused(infoHeader(4, 0, 24, 24), "height 0");
    expectRefused(infoHeader(32769, 1, 24, 3 * 32772), "width 32769");
    expectRefused(infoHeader(INT_MAX, 1, 24, 200), "width INT_MAX");
    expectRefused(infoHeader(1, INT_MIN, 24, 200), "height INT_MIN");
    expectRefused(infoHeader(1, INT_MAX, 24, 200), "height INT_MAX");
    // Pixel blocks too small for the padded rows: the computed size of a width-5 image leaves
    // the padding out, and a stated size may fall short by a byte.
    expectRefused(infoHeader(5, 2), "width 5, computed size 30 of 32");
    expectRefused(infoHeader(5, 2, 24, 31), "width 5, stated size 31 of 32");
    expectRefused(infoHeader(4, 3, 24, 35), "stated size 35 of 36");
    expectRefused(infoHeader(5, -3, 24, 47), "top-down, stated size 47 of 48");
    expectRefused(infoHeader(4, 2, 24, 0x80000000u), "stated size beyond the signed range");
}

}  // namespace
