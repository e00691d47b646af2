// SPDX-License-Identifier: MIT
// texture_art_test.cpp - the painted texture pictures: sizes, repeatability, the trip through a
// bitmap file, seamless repetition, and a few checks that each picture shows what it should.
#include "tools/texture_art.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "texture/bitmap.h"

namespace {

struct Painted {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bgr;
};

Painted paintFresh(int index) {
    Painted p;
    EXPECT_TRUE(paintTexture(index, &p.width, &p.height, p.bgr)) << "picture " << index;
    return p;
}

// Each picture painted once for the whole run.
const Painted& paint(int index) {
    static std::vector<Painted> cache(kTextureCount);
    if (cache[index].bgr.empty()) cache[index] = paintFresh(index);
    return cache[index];
}

uint64_t fnv1a64(const std::vector<unsigned char>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char b : bytes) {
        h ^= b;
        h *= 1099511628211ull;
    }
    return h;
}

bool isPowerOfTwo(int v) { return v >= 4 && (v & (v - 1)) == 0; }

// Channel c (0 blue, 1 green, 2 red) of pixel (x, y), y counted from the bottom row.
int channel(const Painted& p, int x, int y, int c) { return p.bgr[(size_t(y) * p.width + x) * 3 + c]; }

struct Mean {
    double r, g, b;
    double luminance() const { return 0.3 * r + 0.59 * g + 0.11 * b; }
};

// Average colour of the rectangle [x0, x1) x [y0, y1).
Mean meanColour(const Painted& p, int x0, int y0, int x1, int y1) {
    double sum[3] = {0, 0, 0};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            for (int c = 0; c < 3; ++c) sum[c] += channel(p, x, y, c);
    const double n = double(x1 - x0) * (y1 - y0);
    return {sum[2] / n, sum[1] / n, sum[0] / n};
}

Mean meanColour(const Painted& p) { return meanColour(p, 0, 0, p.width, p.height); }

// Mean absolute channel difference between columns xa and xb (or rows ya and yb).
double columnDifference(const Painted& p, int xa, int xb) {
    double sum = 0;
    for (int y = 0; y < p.height; ++y)
        for (int c = 0; c < 3; ++c) sum += std::abs(channel(p, xa, y, c) - channel(p, xb, y, c));
    return sum / (3.0 * p.height);
}

double rowDifference(const Painted& p, int ya, int yb) {
    double sum = 0;
    for (int x = 0; x < p.width; ++x)
        for (int c = 0; c < 3; ++c) sum += std::abs(channel(p, x, ya, c) - channel(p, x, yb, c));
    return sum / (3.0 * p.width);
}

// ---------------------------------------------------------------------------------------------

TEST(TextureArt, EveryPictureHasPowerOfTwoSizesAndAFullBuffer) {
    for (int i = 0; i < kTextureCount; ++i) {
        const Painted& p = paint(i);
        EXPECT_TRUE(isPowerOfTwo(p.width)) << i;
        EXPECT_TRUE(isPowerOfTwo(p.height)) << i;
        EXPECT_EQ(p.bgr.size(), size_t(p.width) * p.height * 3) << i;
        EXPECT_NE(textureName(i), nullptr) << i;
    }
}

TEST(TextureArt, NamesFilesAndRefusesIndicesOutOfRange) {
    EXPECT_EQ(textureFileName(0), "0textur.dib");
    EXPECT_EQ(textureFileName(11), "11textur.dib");
    EXPECT_EQ(textureFileName(12), "");
    EXPECT_EQ(textureName(-1), nullptr);
    EXPECT_EQ(textureName(kTextureCount), nullptr);

    int width = 7, height = 9;
    std::vector<unsigned char> pixels(5, 42);
    EXPECT_FALSE(paintTexture(-1, &width, &height, pixels));
    EXPECT_FALSE(paintTexture(kTextureCount, &width, &height, pixels));
    EXPECT_EQ(width, 7);
    EXPECT_EQ(height, 9);
    EXPECT_EQ(pixels, std::vector<unsigned char>(5, 42));
}

TEST(TextureArt, PaintingIsRepeatableAndMatchesThePinnedChecksums) {
    // Any change to a picture shows up here; update the table after looking at the new picture.
    const uint64_t pinned[kTextureCount] = {
        0x9bd04abc1b562db3ull, 0xe168eeb2743bf93eull, 0x250a57fbddefa802ull, 0x0406cacf8471fde8ull,
        0x36ac69978e6ca430ull, 0xd28d2ad9eb679a27ull, 0xfdbf6aa8171a8cb1ull, 0x7278cac9ba68d394ull,
        0xa6a1cd109b06c512ull, 0x271525311b0f4a5full, 0xb6ad465a3beaa696ull, 0x10b07bbd3922e8a6ull,
    };
    for (int i = 0; i < kTextureCount; ++i) {
        const Painted first = paintFresh(i);
        const Painted second = paintFresh(i);
        EXPECT_EQ(first.bgr, second.bgr) << "picture " << i << " differs between runs";
        EXPECT_EQ(fnv1a64(first.bgr), pinned[i]) << "picture " << i << " (" << textureName(i) << ") changed";
    }
}

TEST(TextureArt, PicturesSurviveTheTripThroughABitmapFile) {
    const std::string path = ::testing::TempDir() + "texture_art_roundtrip.dib";
    for (int i : {0, 8}) {  // a square picture and the wide sky
        const Painted& p = paint(i);
        BitmapInfoHeader info = {};
        info.headerSize = 40;
        info.width = p.width;
        info.height = p.height;
        info.planes = 1;
        info.bitCount = 24;
        info.imageSize = uint32_t(p.bgr.size());
        ASSERT_EQ(saveBitmapFile(path.c_str(), &info, p.bgr.data()), 0);

        BitmapInfoHeader* loadedInfo = nullptr;
        unsigned char* loaded = loadBitmapFile(path.c_str(), &loadedInfo);
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loadedInfo->width, p.width);
        EXPECT_EQ(loadedInfo->height, p.height);
        EXPECT_EQ(loadedInfo->bitCount, 24);
        EXPECT_EQ(std::vector<unsigned char>(loaded, loaded + p.bgr.size()), p.bgr);
        free(loaded);
        free(loadedInfo);
    }
    std::remove(path.c_str());
}

// Under GL_REPEAT the last column meets the first (and the top row the bottom): that join must be
// no harsher than the ordinary step between neighbouring columns inside the picture.
TEST(TextureArt, RepeatingPicturesHaveNoSeams) {
    const int acrossS[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11};
    const int acrossT[] = {1, 2, 3, 7, 10};
    for (int i : acrossS) {
        const Painted& p = paint(i);
        double inside = 0;
        for (int x = 0; x + 1 < p.width; ++x) inside += columnDifference(p, x, x + 1);
        inside /= p.width - 1;
        EXPECT_LE(columnDifference(p, p.width - 1, 0), 2 * inside + 2) << textureName(i);
    }
    for (int i : acrossT) {
        const Painted& p = paint(i);
        double inside = 0;
        for (int y = 0; y + 1 < p.height; ++y) inside += rowDifference(p, y, y + 1);
        inside /= p.height - 1;
        EXPECT_LE(rowDifference(p, p.height - 1, 0), 2 * inside + 2) << textureName(i);
    }
}

TEST(TextureArt, PicturesShowWhatTheyClaim) {
    const Mean grass = meanColour(paint(1));
    EXPECT_GT(grass.g, grass.r);
    EXPECT_GT(grass.g, grass.b);

    const Mean brick = meanColour(paint(10));
    EXPECT_GT(brick.r, brick.g + 30);
    EXPECT_GT(brick.r, brick.b + 30);

    const Mean canvas = meanColour(paint(7));
    EXPECT_GT(canvas.luminance(), 180);

    // The glazing is blended additively, so it must be dark apart from its bright bars.
    const Painted& glazing = paint(4);
    EXPECT_LT(meanColour(glazing).luminance(), 80);
    int brightest = 0;
    for (unsigned char b : glazing.bgr) brightest = std::max(brightest, int(b));
    EXPECT_GT(brightest, 180);
}

TEST(TextureArt, SkyIsBlueOverheadPaleAtTheHorizonAndCloudy) {
    const Painted& sky = paint(8);
    const int horizon = sky.height / 2;
    const Mean zenith = meanColour(sky, 0, sky.height - 4, sky.width, sky.height);
    const Mean atHorizon = meanColour(sky, 0, horizon, sky.width, horizon + 2);
    const Mean nadir = meanColour(sky, 0, 0, sky.width, 4);
    EXPECT_GT(zenith.b, zenith.r + 60);
    EXPECT_GT(atHorizon.luminance(), zenith.luminance() + 40);
    EXPECT_LT(nadir.luminance(), atHorizon.luminance());

    // Clouds: somewhere in the band above the horizon a pixel is far whiter than the sky there.
    int whitest = 0;
    for (int y = horizon + 20; y < horizon + 100; ++y)
        for (int x = 0; x < sky.width; ++x) whitest = std::max(whitest, channel(sky, x, y, 2));
    EXPECT_GT(whitest, 230);
}

// Red marks the texture origin (s = 0, t = 0), green the s axis and blue the t axis, so the first
// buffer row must be the bottom of the picture.
TEST(TextureArt, TestPatternMarksItsAxesAndHasFullContrast) {
    const Painted& p = paint(6);
    const Mean origin = meanColour(p, 16, 16, 32, 32);
    const Mean alongS = meanColour(p, p.width - 16, 16, p.width, 32);
    const Mean alongT = meanColour(p, 16, p.height - 16, 32, p.height);
    EXPECT_EQ(origin.r, 255);
    EXPECT_EQ(origin.g + origin.b, 0);
    EXPECT_EQ(alongS.g, 255);
    EXPECT_EQ(alongS.r + alongS.b, 0);
    EXPECT_EQ(alongT.b, 255);
    EXPECT_EQ(alongT.r + alongT.g, 0);

    int darkest = 255, brightest = 0;
    for (unsigned char b : p.bgr) {
        darkest = std::min(darkest, int(b));
        brightest = std::max(brightest, int(b));
    }
    EXPECT_EQ(darkest, 0);
    EXPECT_EQ(brightest, 255);
}

}  // namespace
