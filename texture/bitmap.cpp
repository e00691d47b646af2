// SPDX-License-Identifier: MIT
// bitmap.cpp - reading and writing device-independent bitmap files.
//
// The reader is the program's door for files it did not make, so it trusts no header field:
// every size is formed in 64 bits and checked against the 32-bit range before anything is
// allocated, and every failure path closes the file and frees what was allocated.
#include "texture/bitmap.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "texture/file_open.h"

namespace {

constexpr int64_t kFileHeaderBytes = sizeof(BitmapFileHeader);
constexpr int64_t kInfoHeaderBytes = sizeof(BitmapInfoHeader);

int64_t inIntRange(int64_t size) { return (size < 0 || size > INT_MAX) ? -1 : size; }

// Frees both blocks, clears the caller's info pointer and closes the file: the common failure exit.
unsigned char* refuse(FILE* file, BitmapInfoHeader** info, unsigned char* pixels) {
    free(*info);
    *info = nullptr;
    free(pixels);
    fclose(file);
    return nullptr;
}

}  // namespace

int64_t bitmapPixelSize(const BitmapInfoHeader* info) {
    if (info->imageSize != 0) return inIntRange(info->imageSize);
    const int64_t rowBytes = (int64_t(info->width) * info->bitCount + 7) / 8;
    const int64_t rows = info->height < 0 ? -int64_t(info->height) : int64_t(info->height);
    if (rowBytes < 0 || rowBytes > INT_MAX) return -1;  // keeps the product below inside 64 bits
    return inIntRange(rowBytes * rows);
}

int64_t bitmapInfoSize(const BitmapInfoHeader* info) {
    const int64_t tableBytes = 4 * int64_t(info->coloursUsed);
    const bool hasCount = info->coloursUsed != 0;
    switch (info->compression) {
    case 0:
        if (hasCount) return inIntRange(kInfoHeaderBytes + tableBytes);
        if (info->bitCount <= 8) return kInfoHeaderBytes + (int64_t(4) << info->bitCount);
        return kInfoHeaderBytes;
    case 1:
    case 2:
        if (hasCount) return inIntRange(kInfoHeaderBytes + tableBytes);
        if (info->bitCount > 24) return -1;  // a table of 2^bitCount entries cannot exist
        return inIntRange(kInfoHeaderBytes + (int64_t(4) << info->bitCount));
    case 3:
        return inIntRange(kInfoHeaderBytes + 12 + tableBytes);  // three 32-bit masks first
    default:
        return kInfoHeaderBytes;
    }
}

unsigned char* loadBitmapFile(const char* fileName, BitmapInfoHeader** info) {
    // Only a regular file is opened, and never with a wait: a named pipe would block right here.
    int64_t fileLength = 0;
    FILE* file = openRegularFile(fileName, &fileLength);
    if (!file) return nullptr;
    *info = nullptr;

    BitmapFileHeader header;
    if (fread(&header, sizeof header, 1, file) != 1) return refuse(file, info, nullptr);
    if (header.type != kBitmapMagic) return refuse(file, info, nullptr);

    // A pixelOffset below 54 leaves no room for the whole info header: refused as if the file
    // ended inside it, so no field is ever taken from beyond the block.
    const int64_t infoSize = int64_t(header.pixelOffset) - kFileHeaderBytes;
    if (infoSize < kInfoHeaderBytes || infoSize > INT_MAX) return refuse(file, info, nullptr);
    // A block the file cannot fill is refused before it is allocated: the read would fall short
    // anyway, and a lying header would otherwise have gigabytes committed for nothing.
    if (infoSize > fileLength - kFileHeaderBytes) return refuse(file, info, nullptr);
    *info = static_cast<BitmapInfoHeader*>(malloc(size_t(infoSize)));
    if (!*info) return refuse(file, info, nullptr);
    if (fread(*info, 1, size_t(infoSize), file) != size_t(infoSize)) return refuse(file, info, nullptr);

    const int64_t pixelSize = bitmapPixelSize(*info);
    if (pixelSize < 0 || pixelSize > fileLength - kFileHeaderBytes - infoSize) return refuse(file, info, nullptr);
    // malloc(0) may legally return null; one spare byte keeps an empty image from looking like a failure.
    unsigned char* pixels = static_cast<unsigned char*>(malloc(size_t(pixelSize) + (pixelSize == 0)));
    if (!pixels) return refuse(file, info, nullptr);
    if (fread(pixels, 1, size_t(pixelSize), file) != size_t(pixelSize)) return refuse(file, info, pixels);

    fclose(file);
    return pixels;
}

int saveBitmapFile(const char* fileName, const BitmapInfoHeader* info, const unsigned char* pixels) {
    FILE* file = fopen(fileName, "wb");
    if (!file) return -1;

    const int64_t pixelSize = bitmapPixelSize(info);
    const int64_t infoSize = bitmapInfoSize(info);
    const int64_t fileSize = kFileHeaderBytes + infoSize + pixelSize;
    if (pixelSize < 0 || infoSize < 0 || fileSize > int64_t(UINT32_MAX)) {
        fclose(file);
        return -1;
    }

    BitmapFileHeader header;
    header.type = kBitmapMagic;
    header.fileSize = uint32_t(fileSize);
    header.reserved1 = 0;
    header.reserved2 = 0;
    header.pixelOffset = uint32_t(kFileHeaderBytes + infoSize);

    const bool written = fwrite(&header, 1, sizeof header, file) == sizeof header &&
                         fwrite(info, 1, size_t(infoSize), file) == size_t(infoSize) &&
                         fwrite(pixels, 1, size_t(pixelSize), file) == size_t(pixelSize);
    // Buffered writes may fail only when the buffer is flushed at the close: that counts too.
    const bool closed = fclose(file) == 0;
    return (written && closed) ? 0 : -1;
}
