// SPDX-License-Identifier: MIT
// texture_set.h - bitmap files into texture objects, and the scene's twelve textures.
//
//   createTexture   one file into one texture object: 1-D for a one-row image, else 2-D; given
//                   filters, the same wrap mode for s and t, GL_MODULATE environment; level 0
//                   uploaded directly for GL_LINEAR/GL_NEAREST minification, otherwise GLU builds
//                   the mipmap chain. Returns the texture name, or 0 (nothing made in OpenGL,
//                   no error left) when the file cannot be read, is not a regular file, is not
//                   a 24-bit uncompressed image or is larger than GL_MAX_TEXTURE_SIZE. Leaves
//                   the new texture bound to its target; never switches texturing on.
//   loadTextureSet  "0textur.dib" .. "11textur.dib" from the working directory into
//                   scene.textures with linear filters and repeat wrapping; a file that fails
//                   leaves its entry 0 and the others are loaded all the same. Only 2-D
//                   textures are kept, since the scene binds every entry to GL_TEXTURE_2D: a
//                   one-row file's 1-D texture is released and its entry left 0. The last
//                   texture kept stays bound.
#pragma once

#include <GL/gl.h>

GLuint createTexture(const char* fileName, int minFilter, int magFilter, int wrapMode);
void loadTextureSet();
