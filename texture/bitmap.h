// SPDX-License-Identifier: MIT
// bitmap.h - device-independent bitmap files ("BM") between disk and memory.
//
// An image in memory is two heap blocks from malloc:
//   info block  - every byte between the 14-byte file header and the pixel data:
//                 the 40-byte BitmapInfoHeader, then masks or a colour table if the file has them;
//   pixel block - the pixel data exactly as stored in the file (no colour or row reordering).
// The caller owns both blocks and releases each with free().
//
// Contents
//   BitmapFileHeader, BitmapInfoHeader  packed little-endian on-disk records
//   bitmapPixelSize   bytes of pixel data an info header describes, or -1
//   bitmapInfoSize    bytes of info block the writer emits for an info header
//   loadBitmapFile    read a file; null on any failure, nothing leaked
//   saveBitmapFile    write a file; 0 on success, -1 on any failure
//
// No OpenGL here: this unit is plain bytes and file streams, tested without a window.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct BitmapFileHeader {
    uint16_t type;              // 0x4D42, the bytes "BM"
    uint32_t fileSize;          // whole file, bytes; ignored when reading
    uint16_t reserved1;         // 0
    uint16_t reserved2;         // 0
    uint32_t pixelOffset;       // start of the pixel data from the start of the file, bytes
};

struct BitmapInfoHeader {
    uint32_t headerSize;        // not read; the writer assumes 40
    int32_t width;              // pixels per row
    int32_t height;             // rows; positive bottom-up, negative top-down
    uint16_t planes;            // not read
    uint16_t bitCount;          // bits per pixel
    uint32_t compression;       // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    uint32_t imageSize;         // pixel data, bytes; 0 = compute from the sizes
    int32_t xPixelsPerMetre;    // not read
    int32_t yPixelsPerMetre;    // not read
    uint32_t coloursUsed;       // colour-table entries; 0 = as the bit count implies
    uint32_t coloursImportant;  // not read
};
#pragma pack(pop)

static_assert(sizeof(BitmapFileHeader) == 14, "file header must be packed");
static_assert(sizeof(BitmapInfoHeader) == 40, "info header must be packed");

constexpr uint16_t kBitmapMagic = 0x4D42;

// Pixel-data size: imageSize when non-zero, else ((width * bitCount + 7) / 8) * |height| with rows
// not padded. Returns -1 when the size is negative or does not fit a 32-bit signed int.
int64_t bitmapPixelSize(const BitmapInfoHeader* info);

// Info-block size the writer emits: 40 (52 with bit-field masks) plus the colour table.
// Returns -1 when it does not fit a 32-bit signed int.
int64_t bitmapInfoSize(const BitmapInfoHeader* info);

// Reads fileName with three reads (header, info block, pixels). On success returns the pixel block
// and stores the info block in *info. On failure returns null, frees whatever it allocated and
// leaves *info null (untouched only when the file cannot be opened). Refuses, without ever
// blocking, whatever is not a regular file (a pipe, a device, a directory: like a missing file),
// a wrong magic, a pixelOffset that leaves no room for the whole 40-byte info header, impossible
// sizes and short files.
unsigned char* loadBitmapFile(const char* fileName, BitmapInfoHeader** info);

// Writes the two blocks with three writes. Returns 0 on success, -1 when the file cannot be
// opened, a write falls short, or closing the file fails (a full disk often shows only there).
int saveBitmapFile(const char* fileName, const BitmapInfoHeader* info, const unsigned char* pixels);
