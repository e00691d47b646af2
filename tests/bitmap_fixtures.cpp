// bitmap_fixtures.cpp - header and scratch-folder makers for the file tests.
#include "tests/bitmap_fixtures.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

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
    std::string templ = std::string("/tmp/") + prefix + "-XXXXXX";
    if (!mkdtemp(&templ[0])) return "";
    return templ;
}

void removeFolder(const std::string& folder) {
    if (folder.empty()) return;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (strcmp(entry->d_name, ".") == 0 || strcmp(entry->d_name, "..") == 0) continue;
            const std::string path = folder + "/" + entry->d_name;
            if (rmdir(path.c_str()) != 0) unlink(path.c_str());  // tests may plant folders too
        }
        closedir(dir);
    }
    rmdir(folder.c_str());
}
