// SPDX-License-Identifier: MIT
// make_textures.cpp - writes the program's twelve texture files.
//
//   make_textures [folder]
//
// Paints every picture from texture_art and saves it as "<index>textur.dib" in the folder
// (default: the current one), as an uncompressed 24-bit bottom-up bitmap. Exits with status 1
// and a one-line message on stderr when a file cannot be written.
#include <cstdio>
#include <string>
#include <vector>

#include "texture/bitmap.h"
#include "tools/texture_art.h"

namespace {

// Info header for an uncompressed 24-bit bottom-up picture of the given size.
BitmapInfoHeader pictureHeader(int width, int height) {
    BitmapInfoHeader info = {};
    info.headerSize = 40;
    info.width = width;
    info.height = height;
    info.planes = 1;
    info.bitCount = 24;
    info.compression = 0;
    info.imageSize = uint32_t(width) * uint32_t(height) * 3;
    info.coloursUsed = 0;
    return info;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: make_textures [folder]\n");
        return 2;
    }
    const std::string folder = argc > 1 ? argv[1] : ".";
    std::vector<unsigned char> pixels;
    for (int i = 0; i < kTextureCount; ++i) {
        int width = 0, height = 0;
        paintTexture(i, &width, &height, pixels);
        const BitmapInfoHeader info = pictureHeader(width, height);
        const std::string path = folder + "/" + textureFileName(i);
        if (saveBitmapFile(path.c_str(), &info, pixels.data()) != 0) {
            std::fprintf(stderr, "make_textures: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
