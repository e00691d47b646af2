// bitmap_fixtures.h - small makers of bitmap headers and scratch folders for the file tests.
//
//   infoHeader       a 40-byte info header with the fields the tests vary (planes 1, the rest 0)
//   makeTempFolder   a fresh folder under /tmp, named after the prefix
//   removeFolder     deletes the files in a folder made by makeTempFolder, then the folder
#pragma once

#include <cstdint>
#include <string>

#include "texture/bitmap.h"

BitmapInfoHeader infoHeader(int32_t width, int32_t height, uint16_t bitCount = 24, uint32_t imageSize = 0,
                            uint32_t compression = 0, uint32_t coloursUsed = 0);
std::string makeTempFolder(const char* prefix);
void removeFolder(const std::string& folder);
