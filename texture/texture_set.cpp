// SPDX-License-Identifier: MIT
// texture_set.cpp - texture creation and the scene's texture set.
#include "texture/texture_set.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstdlib>

#include "app/scene_state.h"
#include "texture/bitmap.h"
#include "texture/texture_image.h"

GLuint createTexture(const char* fileName, int minFilter, int magFilter, int wrapMode) {
    BitmapInfoHeader* info = nullptr;
    unsigned char* pixels = loadBitmapFile(fileName, &info);
    if (!pixels) return 0;

    // Only 24-bit uncompressed images fit the upload, and one larger than the driver can hold
    // would leave GL_INVALID_VALUE pending and a name without an image: both are refused before
    // anything is generated.
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    TextureImage image;
    if (!prepareTextureImage(info, pixels, &image) || image.width > maxSize || image.rows > maxSize) {
        free(info);
        free(pixels);
        return 0;
    }

    const GLenum target = image.rows == 1 ? GL_TEXTURE_1D : GL_TEXTURE_2D;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(target, name);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(target, GL_TEXTURE_WRAP_S, wrapMode);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, wrapMode);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    if (minFilter == GL_LINEAR || minFilter == GL_NEAREST) {
        if (target == GL_TEXTURE_1D)
            glTexImage1D(GL_TEXTURE_1D, 0, 3, image.width, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
        else
            glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.rows, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    } else if (target == GL_TEXTURE_1D) {
        gluBuild1DMipmaps(GL_TEXTURE_1D, 3, image.width, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    } else {
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.rows, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    }

    free(info);
    free(pixels);  // the library holds its own copy now
    return name;
}

void loadTextureSet() {
    for (int i = 0; i < 12; ++i) {
        char fileName[16];
        snprintf(fileName, sizeof fileName, "%dtextur.dib", i);
        GLuint name = createTexture(fileName, GL_LINEAR, GL_LINEAR, GL_REPEAT);
        // The scene binds every entry to the 2-D target. A one-row file makes a 1-D texture, and
        // binding that name to 2-D would fail in every frame and leave the previous texture on
        // the object; released here, the object is drawn as if the file were missing.
        GLint bound2d = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound2d);
        if (name != 0 && GLuint(bound2d) != name) {
            glDeleteTextures(1, &name);
            name = 0;
        }
        scene.textures[i] = name;
    }
}
