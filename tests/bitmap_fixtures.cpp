// SPDX-License-Identifier: MIT
// bitmap_fixtures.cpp - header and scratch-folder makers for the file tests.
#include "tests/bitmap_fixtures.h"

#include <filesystem>
#include <random>
#include <system_error>

BitmapInfoHeader infoHeader(int32_t width, int32_t height, uint16_t bitCount, uint32_t imageSize,
                            uint32_t compression, uint32_t coloursUsed) {
    BitmapInfoHeader info = {};
    info.headerSize = 40;
    info.width = width;
    info.height = height;
    info.planes = 1;
    info.bitCount = bitCount;
    info.compression = compression;
    info.imageSize = imageSize;
    info.coloursUsed = coloursUsed;
    return info;
}

std::string makeTempFolder(const char* prefix) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) return "";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path folder = base / (std::string(prefix) + "-" + std::to_string(random() % 1000000000u));
        if (fs::create_directory(folder, error)) return folder.string();  // false: it was there
        if (error) return "";
    }
    return "";
}

void removeFolder(const std::string& folder) {
    if (folder.empty()) return;
    std::error_code error;
    std::filesystem::remove_all(folder, error);  // tests may plant folders too
}

const char* fullDeviceFile() {
    // Windows, whose paths are separated by backslashes, has no such device.
    return std::filesystem::path::preferred_separator == '/' ? "/dev/full" : nullptr;
}
