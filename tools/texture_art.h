// SPDX-License-Identifier: MIT
// texture_art.h - the twelve pictures the program loads as textures, painted from code.
//
// Each picture is painted into a byte buffer laid out the way a 24-bit bitmap file stores its
// pixels: blue, green, red per pixel, rows bottom-up (the first row is the bottom of the picture),
// 3 * width bytes per row. Every width and height is a power of two, so rows need no padding.
//
// Painting uses integer arithmetic only, with its own hash-based noise and random numbers, so a
// picture comes out as the same bytes on every machine, compiler and optimisation level.
// No OpenGL and no files here: make_textures.cpp writes the pictures out.
//
// Contents
//   kTextureCount     number of pictures, indexed 0 .. kTextureCount - 1
//   textureName       short description of a picture, for messages and tests
//   textureFileName   file the program loads a picture from, "<index>textur.dib"
//   paintTexture      paint one picture into a pixel buffer
#pragma once

#include <string>
#include <vector>

constexpr int kTextureCount = 12;

// Short description ("stone masonry", ...) or null for an index out of range.
const char* textureName(int index);

// "0textur.dib" .. "11textur.dib"; empty for an index out of range.
std::string textureFileName(int index);

// Paints picture `index`, storing its size in *width and *height and replacing the contents of
// bgrPixels with 3 * width * height bytes. Returns false (touching nothing) for a bad index.
bool paintTexture(int index, int* width, int* height, std::vector<unsigned char>& bgrPixels);
