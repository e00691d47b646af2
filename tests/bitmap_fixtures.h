// SPDX-License-Identifier: MIT
// bitmap_fixtures.h - small makers of bitmap headers and scratch folders for the file tests.
//
//   infoHeader       a 40-byte info header with the fields the tests vary (planes 1, the rest 0)
//   makeTempFolder   a fresh folder in the system's temporary folder, named after the prefix;
//                    "" when none can be made
//   removeFolder     deletes a folder made by makeTempFolder with everything in it
//   fullDeviceFile   a file whose every write fails as on a full disk (/dev/full), or null
//                    where the system has none (Windows)
#pragma once

#include <cstdint>
#include <string>

#include "texture/bitmap.h"

BitmapInfoHeader infoHeader(int32_t width, int32_t height, uint16_t bitCount = 24, uint32_t imageSize = 0,
                            uint32_t compression = 0, uint32_t coloursUsed = 0);
std::string makeTempFolder(const char* prefix);
void removeFolder(const std::string& folder);
const char* fullDeviceFile();
