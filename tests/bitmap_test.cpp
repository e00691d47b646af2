// SPDX-License-Identifier: MIT
// Bitmap reader and writer against files built byte by byte in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/bitmap_fixtures.h"
#include "texture/bitmap.h"

namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& bytes, size_t at, uint16_t value) {
    bytes[at] = value & 0xFF;
    bytes[at + 1] = value >> 8;
}

void put32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = (value >> (8 * i)) & 0xFF;
}

uint32_t get32(const Bytes& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

// File offsets of the header fields that the tests change.
constexpr size_t kMagicAt = 0, kFileSizeAt = 2, kReservedAt = 6, kPixelOffsetAt = 10;
constexpr size_t kWidthAt = 18, kHeightAt = 22, kBitCountAt = 28, kImageSizeAt = 34;

Bytes pattern(size_t count, unsigned seed) {
    Bytes bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = (unsigned char)(i * 7 + seed);
    return bytes;
}

// A well-formed file: header, info header, the bytes that follow it in the info block, pixels.
Bytes bitmapFile(const BitmapInfoHeader& info, const Bytes& afterInfo, const Bytes& pixels) {
    const size_t pixelOffset = 14 + sizeof info + afterInfo.size();
    Bytes bytes(pixelOffset + pixels.size());
    put16(bytes, kMagicAt, 0x4D42);
    put32(bytes, kFileSizeAt, uint32_t(bytes.size()));
    put32(bytes, kPixelOffsetAt, uint32_t(pixelOffset));
    memcpy(&bytes[14], &info, sizeof info);
    std::copy(afterInfo.begin(), afterInfo.end(), bytes.begin() + 14 + sizeof info);
    std::copy(pixels.begin(), pixels.end(), bytes.begin() + pixelOffset);
    return bytes;
}

// What loadBitmapFile handed back; frees both blocks when done.
struct Loaded {
    unsigned char* pixels = nullptr;
    BitmapInfoHeader* info = nullptr;
    Loaded() = default;
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
    ~Loaded() {
        free(pixels);
        free(info);
    }
};

BitmapInfoHeader* const kUntouched = reinterpret_cast<BitmapInfoHeader*>(uintptr_t(0x1000));

class BitmapFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = makeTempFolder("talvenor-bitmap");
        ASSERT_FALSE(folder_.empty());
    }

    void TearDown() override { removeFolder(folder_); }

    std::string path(const char* name) const { return folder_ + "/" + name; }

    std::string write(const char* name, const Bytes& bytes) const {
        const std::string p = path(name);
        FILE* file = fopen(p.c_str(), "wb");
        EXPECT_NE(file, nullptr);
        if (file) {
            if (!bytes.empty()) {
                EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
            }
            fclose(file);
        }
        return p;
    }

    static Bytes read(const std::string& p) {
        Bytes bytes;
        FILE* file = fopen(p.c_str(), "rb");
        if (!file) return bytes;
        int c;
        while ((c = fgetc(file)) != EOF) bytes.push_back((unsigned char)c);
        fclose(file);
        return bytes;
    }

    // Loads the bytes and expects a refusal that leaves the caller's info pointer null.
    void expectRefused(const Bytes& bytes, const char* what) {
        const std::string p = write("refused.dib", bytes);
        BitmapInfoHeader* info = kUntouched;
        unsigned char* pixels = loadBitmapFile(p.c_str(), &info);
        EXPECT_EQ(pixels, nullptr) << what;
        EXPECT_EQ(info, nullptr) << what;
        free(pixels);
        if (info != kUntouched) free(info);
    }

    std::string folder_;
};

TEST(BitmapSizes, PixelSizeTakesWholeByteRowsAndRefusesWhatLeavesTheSignedRange) {
    struct Case {
        int32_t width, height;
        uint16_t bitCount;
        uint32_t imageSize;
        int64_t size;
    };
    const Case cases[] = {
        {2, 2, 24, 0, 12},                  // 6 bytes a row, not rounded up to 8
        {10, -4, 1, 0, 8},                  // 2 bytes a row, |height| rows
        {64, 64, 24, 5, 5},                 // a stated size is taken as it is
        {-1, 1, 1, 0, 0},                   // (-1 + 7) / 8 truncates to an empty row
        {-1, 1, 24, 0, -1},                 // (-24 + 7) / 8 is negative
        {1, 1, 8, 0x7FFFFFFFu, INT_MAX},
        {1, 1, 8, 0x80000000u, -1},
        {1, INT_MIN, 8, 0, -1},             // |INT_MIN| rows of one byte
        {INT_MAX, 1, 0xFFFF, 0, -1},
        {INT_MIN, 1, 0xFFFF, 0, -1},
        {65536, 65536, 8, 0, -1},           // each factor fine, the product 2^32
    };
    for (const Case& c : cases) {
        const BitmapInfoHeader info = infoHeader(c.width, c.height, c.bitCount, c.imageSize);
        EXPECT_EQ(bitmapPixelSize(&info), c.size) << c.width << " x " << c.height << " x " << c.bitCount;
    }
}

TEST(BitmapSizes, InfoSizeForTheRarerRowsOfTheWriterTable) {
    struct Case {
        uint16_t bitCount;
        uint32_t compression, coloursUsed;
        int64_t size;
    };
    const Case cases[] = {
        {32, 0, 0, 40}, {1, 0, 0, 48}, {8, 1, 0, 1064}, {8, 1, 3, 52}, {24, 7, 9, 40},
        {8, 0, 0xFFFFFFFFu, -1}, {31, 1, 0, -1},  // a table of 2^32 - 1 or 2^31 entries
    };
    for (const Case& c : cases) {
        const BitmapInfoHeader info = infoHeader(4, 4, c.bitCount, 0, c.compression, c.coloursUsed);
        EXPECT_EQ(bitmapInfoSize(&info), c.size)
            << "bitCount " << c.bitCount << " compression " << c.compression << " colours " << c.coloursUsed;
    }
}

TEST_F(BitmapFileTest, Reads24BitImageWhetherImageSizeIsGivenOrZero) {
    const Bytes pixels = pattern(12288, 3);
    for (uint32_t imageSize : {12288u, 0u}) {
        const std::string p = write("64.dib", bitmapFile(infoHeader(64, 64, 24, imageSize), {}, pixels));
        Loaded image;
        image.pixels = loadBitmapFile(p.c_str(), &image.info);
        ASSERT_NE(image.pixels, nullptr) << imageSize;
        ASSERT_NE(image.info, nullptr);
        EXPECT_EQ(image.info->width, 64);
        EXPECT_EQ(image.info->height, 64);
        EXPECT_EQ(image.info->imageSize, imageSize);  // the info block is the file's bytes unchanged
        EXPECT_EQ(memcmp(image.pixels, pixels.data(), pixels.size()), 0);
    }
}

TEST_F(BitmapFileTest, InfoBlockHoldsEverythingUpToThePixelOffset) {
    // 8-bit with a 256-entry colour table: pixelOffset 1078, info block of 1064 bytes.
    const Bytes table = pattern(1024, 11);
    const Bytes pixels = pattern(16, 200);
    const std::string p = write("8bit.dib", bitmapFile(infoHeader(4, 4, 8), table, pixels));
    ASSERT_EQ(read(p).size(), 1078u + 16u);
    Loaded image;
    image.pixels = loadBitmapFile(p.c_str(), &image.info);
    ASSERT_NE(image.pixels, nullptr);
    const unsigned char* block = reinterpret_cast<const unsigned char*>(image.info);
    EXPECT_EQ(memcmp(block + 40, table.data(), table.size()), 0);
    EXPECT_EQ(memcmp(image.pixels, pixels.data(), pixels.size()), 0);
}

TEST_F(BitmapFileTest, OtherDepthsNegativeHeightsAndCompressionComeBackAsStored) {
    // 1-bit, 10 wide, 4 rows top-down: 8 bytes; a run-length file is returned compressed.
    const Bytes bits = pattern(8, 1);
    std::string p = write("1bit.dib", bitmapFile(infoHeader(10, -4, 1), pattern(8, 99), bits));
    Loaded mono;
    mono.pixels = loadBitmapFile(p.c_str(), &mono.info);
    ASSERT_NE(mono.pixels, nullptr);
    EXPECT_EQ(mono.info->height, -4);
    EXPECT_EQ(memcmp(mono.pixels, bits.data(), bits.size()), 0);

    const Bytes runs = pattern(7, 5);
    p = write("rle.dib", bitmapFile(infoHeader(64, 64, 8, 7, 1), pattern(1024, 0), runs));
    Loaded rle;
    rle.pixels = loadBitmapFile(p.c_str(), &rle.info);
    ASSERT_NE(rle.pixels, nullptr);
    EXPECT_EQ(rle.info->compression, 1u);
    EXPECT_EQ(memcmp(rle.pixels, runs.data(), runs.size()), 0);

    // An empty image (width 0) is a valid, empty pixel block.
    p = write("empty.dib", bitmapFile(infoHeader(0, 5, 24), {}, {}));
    Loaded empty;
    empty.pixels = loadBitmapFile(p.c_str(), &empty.info);
    EXPECT_NE(empty.pixels, nullptr);
    EXPECT_NE(empty.info, nullptr);
}

TEST_F(BitmapFileTest, BytesAfterThePixelDataAreIgnored) {
    const Bytes pixels = pattern(24, 9);
    Bytes bytes = bitmapFile(infoHeader(4, 2, 24), {}, pixels);
    const Bytes tail = pattern(100, 77);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    const std::string p = write("long.dib", bytes);
    Loaded image;
    image.pixels = loadBitmapFile(p.c_str(), &image.info);
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(memcmp(image.pixels, pixels.data(), pixels.size()), 0);
}

TEST_F(BitmapFileTest, FileCutShortAnywhereIsRefusedAndReleased) {
    // 14 header + 40 info + 24 pixel bytes; every shorter length, the empty file and the one
    // that ends a byte before the pixels do included, fails in one of the three reads.
    const Bytes whole = bitmapFile(infoHeader(4, 2, 24), {}, pattern(24, 4));
    ASSERT_EQ(whole.size(), 78u);
    for (size_t length = 0; length < whole.size(); ++length)
        expectRefused(Bytes(whole.begin(), whole.begin() + length), ("cut at " + std::to_string(length)).c_str());

    // The same with a colour table in the info block.
    const Bytes withTable = bitmapFile(infoHeader(4, 2, 8), pattern(1024, 0), pattern(8, 4));
    for (size_t length : {size_t(54), size_t(1077), size_t(1078), size_t(1085)})
        expectRefused(Bytes(withTable.begin(), withTable.begin() + length), "8-bit cut short");
}

TEST_F(BitmapFileTest, WrongMagicIsRefusedEvenWhenTheRestIsWellFormed) {
    Bytes bytes = bitmapFile(infoHeader(4, 2, 24), {}, pattern(24, 4));
    put16(bytes, kMagicAt, 0x424D);  // "MB"
    expectRefused(bytes, "MB");
    put16(bytes, kMagicAt, 0);
    expectRefused(bytes, "zero");
    put16(bytes, kMagicAt, 0x4D43);
    expectRefused(bytes, "CM");
}

TEST_F(BitmapFileTest, PixelOffsetThatLeavesNoRoomForTheInfoHeaderIsRefused) {
    // The file itself is long enough for every one of these offsets: only the offset is wrong.
    const Bytes good = bitmapFile(infoHeader(4, 2, 24), {}, pattern(24, 4));
    for (uint32_t offset : {53u, 40u, 15u, 14u, 13u, 2u, 0u}) {
        Bytes bytes = good;
        put32(bytes, kPixelOffsetAt, offset);
        expectRefused(bytes, ("pixelOffset " + std::to_string(offset)).c_str());
    }
    // Offsets far past the end of the file, up to ones beyond the signed range.
    for (uint32_t offset : {100000u, 0x7FFFFFFFu, 0x80000000u, 0x8000000Du, 0xFFFFFFFFu}) {
        Bytes bytes = good;
        put32(bytes, kPixelOffsetAt, offset);
        expectRefused(bytes, ("pixelOffset " + std::to_string(offset)).c_str());
    }
}

TEST_F(BitmapFileTest, AbsurdSizesInTheInfoHeaderAreRefused) {
    const Bytes good = bitmapFile(infoHeader(4, 2, 24), {}, pattern(24, 4));
    struct Field {
        size_t at;
        uint32_t value;
        const char* what;
    };
    const Field fields[] = {
        {kImageSizeAt, 0xFFFFFFFFu, "imageSize 2^32-1"},
        {kImageSizeAt, 0x80000000u, "imageSize 2^31"},
        {kImageSizeAt, 0x7FFFFFFFu, "imageSize INT_MAX, longer than the file"},
        {kImageSizeAt, 25, "imageSize one past the pixels"},
        {kWidthAt, 0x7FFFFFFFu, "width INT_MAX"},
        {kWidthAt, 0x80000000u, "width INT_MIN"},
        {kWidthAt, 0xFFFFFFFFu, "width -1"},
        {kHeightAt, 0x80000000u, "height INT_MIN"},
        {kHeightAt, 0xFFFFFFFDu, "height -3, one row more than stored"},
        {kBitCountAt, 0xFFFF, "bitCount 65535"},
    };
    for (const Field& f : fields) {
        Bytes bytes = good;
        if (f.at == kBitCountAt)
            put16(bytes, f.at, uint16_t(f.value));
        else
            put32(bytes, f.at, f.value);
        expectRefused(bytes, f.what);
    }
}

// What is not a regular file is refused at the open, exactly like a missing file.
TEST_F(BitmapFileTest, MissingFileOrFolderLeavesTheInfoPointerAlone) {
    BitmapInfoHeader* info = kUntouched;
    EXPECT_EQ(loadBitmapFile(path("absent.dib").c_str(), &info), nullptr);
    EXPECT_EQ(info, kUntouched);
    EXPECT_EQ(loadBitmapFile(folder_.c_str(), &info), nullptr);
    EXPECT_EQ(info, kUntouched);
}

TEST_F(BitmapFileTest, WriterSizesTheInfoBlockByItsTable) {
    struct Case {
        uint16_t bitCount;
        uint32_t compression, coloursUsed, pixelOffset;
    };
    const Case cases[] = {
        {24, 0, 0, 54},    // no table
        {8, 0, 0, 1078},   // 256 entries
        {4, 2, 0, 118},    // 4-bit run-length, 16 entries
        {32, 3, 0, 66},    // three masks
        {16, 3, 16, 130},  // masks and 16 entries
        {24, 0, 2, 62},    // a table of 2 for a 24-bit image
    };
    Bytes infoBlock = pattern(1200, 13);
    const Bytes pixels = pattern(64, 21);  // enough for the 32-bit case
    for (const Case& c : cases) {
        const BitmapInfoHeader info = infoHeader(4, 4, c.bitCount, 0, c.compression, c.coloursUsed);
        memcpy(infoBlock.data(), &info, sizeof info);
        const std::string p = path("written.dib");
        ASSERT_EQ(saveBitmapFile(p.c_str(), reinterpret_cast<const BitmapInfoHeader*>(infoBlock.data()),
                                 pixels.data()),
                  0);
        const Bytes file = read(p);
        const uint32_t pixelSize = uint32_t(bitmapPixelSize(&info));
        ASSERT_EQ(file.size(), c.pixelOffset + pixelSize) << c.pixelOffset;
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(get32(file, kFileSizeAt), c.pixelOffset + pixelSize);
        EXPECT_EQ(get32(file, kReservedAt), 0u);
        EXPECT_EQ(get32(file, kPixelOffsetAt), c.pixelOffset);
        EXPECT_EQ(get32(file, kImageSizeAt), 0u);  // a computed size is not written back
        EXPECT_EQ(memcmp(file.data() + 14, infoBlock.data(), c.pixelOffset - 14), 0);
        EXPECT_EQ(memcmp(file.data() + c.pixelOffset, pixels.data(), pixelSize), 0);
    }
}

TEST_F(BitmapFileTest, ReadWriteReadGivesTheSameBlocksWithARecomputedHeader) {
    Bytes original = bitmapFile(infoHeader(4, 3, 24, 36), {}, pattern(36, 8));
    put32(original, kFileSizeAt, 999);  // wrong on purpose: ignored on reading, recomputed on writing
    put32(original, kReservedAt, 0xDEADBEEF);
    const std::string in = write("in.dib", original);
    Loaded first;
    first.pixels = loadBitmapFile(in.c_str(), &first.info);
    ASSERT_NE(first.pixels, nullptr);

    const std::string out = path("out.dib");
    ASSERT_EQ(saveBitmapFile(out.c_str(), first.info, first.pixels), 0);
    Bytes expected = original;
    put32(expected, kFileSizeAt, 90);
    put32(expected, kReservedAt, 0);
    EXPECT_EQ(read(out), expected);

    Loaded second;
    second.pixels = loadBitmapFile(out.c_str(), &second.info);
    ASSERT_NE(second.pixels, nullptr);
    EXPECT_EQ(memcmp(second.info, first.info, 40), 0);
    EXPECT_EQ(memcmp(second.pixels, first.pixels, 36), 0);
}

TEST_F(BitmapFileTest, WriterReportsFilesItCannotWrite) {
    const BitmapInfoHeader info = infoHeader(64, 64, 24);
    const Bytes pixels = pattern(12288, 1);
    EXPECT_EQ(saveBitmapFile(path("no/such/folder.dib").c_str(), &info, pixels.data()), -1);
    EXPECT_EQ(saveBitmapFile(folder_.c_str(), &info, pixels.data()), -1);
    if (const char* full = fullDeviceFile()) {
        // Every write is buffered and accepted; the full device shows only when the stream is closed.
        EXPECT_EQ(saveBitmapFile(full, &info, pixels.data()), -1);
        const BitmapInfoHeader tiny = infoHeader(1, 1, 24);
        EXPECT_EQ(saveBitmapFile(full, &tiny, pixels.data()), -1);
    }
    // Sizes that cannot be formed are not written.
    const BitmapInfoHeader absurd = infoHeader(1, 1, 24, 0x80000000u);
    EXPECT_EQ(saveBitmapFile(path("absurd.dib").c_str(), &absurd, pixels.data()), -1);
}

}  // namespace
