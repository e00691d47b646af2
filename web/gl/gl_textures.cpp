// SPDX-License-Identifier: MIT
// gl_textures.cpp - texture objects, their images and parameters, the texture environment, and
// the pixel-store state that unpacks images.
//
// Each texture object with an image owns one WebGL 2-D texture; a 1-D texture is stored one row
// high and sampled along s alone. Images are unpacked on the CPU with the unpack alignment, row
// length and skips, and handed on as RGBA bytes with the components the image lacks filled in
// (see shaders.h). A texture object's target is fixed by its first bind, and binding it to the
// other target is GL_INVALID_OPERATION, as in OpenGL 1.1. Proxy targets answer whether an image
// would fit, without storing it. Not supported, and refused with the error OpenGL gives for an
// unknown value: borders, pixel types other than GL_UNSIGNED_BYTE, colour-index and intensity
// images, 3-D textures and the border colour. GL_CLAMP samples as GL_CLAMP_TO_EDGE (WebGL has no
// texture borders to blend with).
#include <cstdlib>
#include <cstring>

#include "web/gl/gl_state.h"

namespace {

bool isMipmapFilter(GLenum filter) {
    return filter == GL_NEAREST_MIPMAP_NEAREST || filter == GL_LINEAR_MIPMAP_NEAREST ||
           filter == GL_NEAREST_MIPMAP_LINEAR || filter == GL_LINEAR_MIPMAP_LINEAR;
}

TextureObject* boundObject(GLenum target) {
    if (target == GL_TEXTURE_1D)
        return glState.binding1D == 0 ? &glState.defaultTexture1D : &glState.textures[glState.binding1D];
    if (target == GL_TEXTURE_2D)
        return glState.binding2D == 0 ? &glState.defaultTexture2D : &glState.textures[glState.binding2D];
    return nullptr;
}

// The base format an internal format stands for, or 0 when it is not supported.
GLenum baseFormatOf(GLint internalFormat) {
    switch (internalFormat) {
        case 1: case GL_LUMINANCE: case GL_LUMINANCE4: case GL_LUMINANCE8: case GL_LUMINANCE12: case GL_LUMINANCE16:
            return GL_LUMINANCE;
        case 2: case GL_LUMINANCE_ALPHA: case GL_LUMINANCE4_ALPHA4: case GL_LUMINANCE6_ALPHA2: case GL_LUMINANCE8_ALPHA8:
        case GL_LUMINANCE12_ALPHA4: case GL_LUMINANCE12_ALPHA12: case GL_LUMINANCE16_ALPHA16:
            return GL_LUMINANCE_ALPHA;
        case GL_ALPHA: case GL_ALPHA4: case GL_ALPHA8: case GL_ALPHA12: case GL_ALPHA16:
            return GL_ALPHA;
        case 3: case GL_RGB: case GL_R3_G3_B2: case GL_RGB4: case GL_RGB5: case GL_RGB8: case GL_RGB10: case GL_RGB12:
        case GL_RGB16:
            return GL_RGB;
        case 4: case GL_RGBA: case GL_RGBA2: case GL_RGBA4: case GL_RGB5_A1: case GL_RGBA8: case GL_RGB10_A2:
        case GL_RGBA12: case GL_RGBA16:
            return GL_RGBA;
        default: return 0;
    }
}

int componentsOf(GLenum format) {
    switch (format) {
        case GL_ALPHA: case GL_LUMINANCE: return 1;
        case GL_LUMINANCE_ALPHA: return 2;
        case GL_RGB: case GL_BGR: return 3;
        case GL_RGBA: case GL_BGRA: return 4;
        default: return 0;
    }
}

// One source pixel as red, green, blue, alpha of the format given.
void readPixel(GLenum format, const unsigned char* p, unsigned char rgba[4]) {
    switch (format) {
        case GL_ALPHA: rgba[0] = rgba[1] = rgba[2] = 0, rgba[3] = p[0]; break;
        case GL_LUMINANCE: rgba[0] = rgba[1] = rgba[2] = p[0], rgba[3] = 255; break;
        case GL_LUMINANCE_ALPHA: rgba[0] = rgba[1] = rgba[2] = p[0], rgba[3] = p[1]; break;
        case GL_RGB: rgba[0] = p[0], rgba[1] = p[1], rgba[2] = p[2], rgba[3] = 255; break;
        case GL_BGR: rgba[0] = p[2], rgba[1] = p[1], rgba[2] = p[0], rgba[3] = 255; break;
        case GL_RGBA: memcpy(rgba, p, 4); break;
        default: rgba[0] = p[2], rgba[1] = p[1], rgba[2] = p[0], rgba[3] = p[3]; break;  // GL_BGRA
    }
}

// Converts to what the base format keeps, with the missing components filled in for sampling.
void storePixel(GLenum baseFormat, const unsigned char in[4], unsigned char* out) {
    switch (baseFormat) {
        case GL_ALPHA: out[0] = out[1] = out[2] = 255, out[3] = in[3]; break;
        case GL_LUMINANCE: out[0] = out[1] = out[2] = in[0], out[3] = 255; break;
        case GL_LUMINANCE_ALPHA: out[0] = out[1] = out[2] = in[0], out[3] = in[3]; break;
        case GL_RGB: out[0] = in[0], out[1] = in[1], out[2] = in[2], out[3] = 255; break;
        default: memcpy(out, in, 4); break;
    }
}

int levelLimit() {
    int levels = 0;
    for (int size = maxTextureSize(); size > 1; size >>= 1) ++levels;
    return levels;  // the largest valid level
}

void texImage(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
              GLenum format, GLenum type, const void* pixels, bool oneDimensional) {
    if (insideBeginEnd()) return;
    const GLenum plain = oneDimensional ? GL_TEXTURE_1D : GL_TEXTURE_2D;
    const GLenum proxy = oneDimensional ? GL_PROXY_TEXTURE_1D : GL_PROXY_TEXTURE_2D;
    if (target != plain && target != proxy) return setError(GL_INVALID_ENUM);
    if (componentsOf(format) == 0 || type != GL_UNSIGNED_BYTE) return setError(GL_INVALID_ENUM);
    const GLenum base = baseFormatOf(internalFormat);
    if (level < 0 || level > levelLimit() || base == 0 || border != 0 || width < 0 || height < 0)
        return setError(GL_INVALID_VALUE);
    const int maxSize = maxTextureSize();
    const bool fits = width <= maxSize && height <= maxSize;
    if (target == proxy) {
        TextureLevel& p = (oneDimensional ? glState.proxy1D : glState.proxy2D)[level];
        p = TextureLevel{};
        if (fits) p.width = width, p.height = height, p.internalFormat = internalFormat, p.baseFormat = base;
        return;
    }
    if (!fits) return setError(GL_INVALID_VALUE);

    flushBatch();  // commands queued so far sample the old image
    TextureObject* object = boundObject(target);
    const int rows = oneDimensional ? 1 : height;
    unsigned char* rgba = static_cast<unsigned char*>(calloc(size_t(width) * size_t(rows) * 4 + 4, 1));
    if (!rgba) return setError(GL_OUT_OF_MEMORY);
    if (pixels) {
        const PixelStore& u = glState.unpack;
        const int components = componentsOf(format);
        const size_t rowPixels = u.rowLength > 0 ? size_t(u.rowLength) : size_t(width);
        const size_t alignment = size_t(u.alignment);
        const size_t stride = (rowPixels * components + alignment - 1) / alignment * alignment;
        const unsigned char* source = static_cast<const unsigned char*>(pixels) + size_t(u.skipRows) * stride +
                                      size_t(u.skipPixels) * components;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x) {
                unsigned char in[4];
                readPixel(format, source + y * stride + size_t(x) * components, in);
                storePixel(base, in, rgba + (size_t(y) * width + x) * 4);
            }
    }
    if (object->backendName == 0) {
        object->backendName = backendCreateTexture();
        backendTextureParameters(object->backendName, object->minFilter, object->magFilter,
                                 object->wrapS == GL_CLAMP ? GL_CLAMP_TO_EDGE : object->wrapS,
                                 object->wrapT == GL_CLAMP ? GL_CLAMP_TO_EDGE : object->wrapT);
    }
    if (width > 0 && rows > 0) backendTextureImage(object->backendName, level, width, rows, rgba);
    free(rgba);
    TextureLevel& l = object->levels[level];
    l.width = width, l.height = rows, l.internalFormat = internalFormat, l.baseFormat = base;
    glState.rasterStateChanged = true;
}

void texParameter(GLenum target, GLenum pname, float value) {
    if (insideBeginEnd()) return;
    TextureObject* object = boundObject(target);
    if (!object) return setError(GL_INVALID_ENUM);
    const GLenum v = GLenum(value);
    switch (pname) {
        case GL_TEXTURE_MIN_FILTER:
            if (v != GL_NEAREST && v != GL_LINEAR && !isMipmapFilter(v)) return setError(GL_INVALID_ENUM);
            break;
        case GL_TEXTURE_MAG_FILTER:
            if (v != GL_NEAREST && v != GL_LINEAR) return setError(GL_INVALID_ENUM);
            break;
        case GL_TEXTURE_WRAP_S:
        case GL_TEXTURE_WRAP_T:
            if (v != GL_CLAMP && v != GL_REPEAT && v != GL_CLAMP_TO_EDGE) return setError(GL_INVALID_ENUM);
            break;
        case GL_TEXTURE_PRIORITY: return;  // residency is the browser's business
        default: return setError(GL_INVALID_ENUM);
    }
    flushBatch();
    if (pname == GL_TEXTURE_MIN_FILTER) object->minFilter = v;
    if (pname == GL_TEXTURE_MAG_FILTER) object->magFilter = v;
    if (pname == GL_TEXTURE_WRAP_S) object->wrapS = v;
    if (pname == GL_TEXTURE_WRAP_T) object->wrapT = v;
    backendTextureParameters(object->backendName, object->minFilter, object->magFilter,
                             object->wrapS == GL_CLAMP ? GL_CLAMP_TO_EDGE : object->wrapS,
                             object->wrapT == GL_CLAMP ? GL_CLAMP_TO_EDGE : object->wrapT);
    glState.rasterStateChanged = true;
}

bool complete(const TextureObject& t) {
    const TextureLevel& base = t.levels[0];
    if (base.width == 0 || base.height == 0 || t.backendName == 0) return false;
    if (!isMipmapFilter(t.minFilter)) return true;
    int width = base.width, height = base.height;
    for (int level = 1; width > 1 || height > 1; ++level) {
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        if (level >= kMaxTextureLevels) return false;
        const TextureLevel& l = t.levels[level];
        if (l.width != width || l.height != height || l.internalFormat != base.internalFormat) return false;
    }
    return true;
}

bool isEnvMode(GLenum mode) {
    return mode == GL_MODULATE || mode == GL_DECAL || mode == GL_BLEND || mode == GL_REPLACE;
}

void texEnv(GLenum target, GLenum pname, const float* values) {
    if (insideBeginEnd()) return;
    if (target != GL_TEXTURE_ENV) return setError(GL_INVALID_ENUM);
    if (pname == GL_TEXTURE_ENV_MODE) {
        const GLenum mode = GLenum(values[0]);
        if (!isEnvMode(mode)) return setError(GL_INVALID_ENUM);
        glState.textureEnvMode = mode;
    } else if (pname == GL_TEXTURE_ENV_COLOR) {
        for (int i = 0; i < 4; ++i) glState.textureEnvColour[i] = values[i] < 0 ? 0 : values[i] > 1 ? 1 : values[i];
    } else {
        return setError(GL_INVALID_ENUM);
    }
    glState.rasterStateChanged = true;
}

}  // namespace

// Asked of the context once, when it can answer: a context lost while the program starts (a
// loss during loading) is asked again when it is back, not taken at WebGL 2's least for good.
int maxTextureSize() {
    int& size = glState.largestTexture;
    if (size != 0) return size;
    const int answer = backendMaxTextureSize();
    if (answer == 0) return 2048;  // WebGL 2's least, until a context says more
    size = answer > 16384 ? 16384 : answer;  // kMaxTextureLevels levels
    return size;
}

void currentTextureState(RasterState* raster) {
    raster->texture = 0;
    raster->texture1D = false;
    const TextureObject* t = nullptr;
    if (glState.texture2DEnabled) t = boundObject(GL_TEXTURE_2D);
    else if (glState.texture1DEnabled) t = boundObject(GL_TEXTURE_1D);
    if (!t || !complete(*t)) return;  // as if texturing were off
    raster->texture = t->backendName;
    raster->texture1D = !glState.texture2DEnabled;
    raster->textureFunction = glState.textureEnvMode;
    raster->textureHasColour = t->levels[0].baseFormat != GL_ALPHA;
    raster->textureHasAlpha = t->levels[0].baseFormat == GL_ALPHA || t->levels[0].baseFormat == GL_LUMINANCE_ALPHA ||
                              t->levels[0].baseFormat == GL_RGBA;
    memcpy(raster->textureEnvColour, glState.textureEnvColour, sizeof raster->textureEnvColour);
}

extern "C" {

void glGenTextures(GLsizei n, GLuint* textures) {
    if (insideBeginEnd()) return;
    if (n < 0) return setError(GL_INVALID_VALUE);
    GLuint next = 1;
    for (GLsizei i = 0; i < n; ++i) {
        while (next <= GLuint(kMaxTextureObjects) && glState.textures[next].named) ++next;
        if (next > GLuint(kMaxTextureObjects)) {
            for (GLsizei j = 0; j < i; ++j) glState.textures[textures[j]].named = false;  // none or all
            return setError(GL_OUT_OF_MEMORY);
        }
        glState.textures[next].named = true;
        textures[i] = next;
    }
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
    if (insideBeginEnd()) return;
    if (n < 0) return setError(GL_INVALID_VALUE);
    flushBatch();
    for (GLsizei i = 0; i < n; ++i) {
        const GLuint name = textures[i];
        if (name == 0 || name > GLuint(kMaxTextureObjects) || !glState.textures[name].named) continue;
        backendDeleteTexture(glState.textures[name].backendName);
        glState.textures[name] = TextureObject{};
        if (glState.binding1D == name) glState.binding1D = 0;
        if (glState.binding2D == name) glState.binding2D = 0;
    }
    glState.rasterStateChanged = true;
}

GLboolean glIsTexture(GLuint texture) {
    if (insideBeginEnd()) return GL_FALSE;
    return texture != 0 && texture <= GLuint(kMaxTextureObjects) && glState.textures[texture].named &&
           glState.textures[texture].target != kTargetNone;
}

void glBindTexture(GLenum target, GLuint texture) {
    if (insideBeginEnd()) return;
    if (target != GL_TEXTURE_1D && target != GL_TEXTURE_2D) return setError(GL_INVALID_ENUM);
    const TextureTarget wanted = target == GL_TEXTURE_1D ? kTarget1D : kTarget2D;
    if (texture != 0) {
        if (texture > GLuint(kMaxTextureObjects)) return setError(GL_OUT_OF_MEMORY);
        TextureObject& t = glState.textures[texture];
        if (t.target != kTargetNone && t.target != wanted) return setError(GL_INVALID_OPERATION);
        t.named = true;  // OpenGL 1.1 lets any unused name be bound
        t.target = wanted;
    }
    if (target == GL_TEXTURE_1D) glState.binding1D = texture;
    else glState.binding2D = texture;
    glState.rasterStateChanged = true;
}

void glTexImage1D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLint border, GLenum format,
                  GLenum type, const GLvoid* pixels) {
    texImage(target, level, internalFormat, width, 1, border, format, type, pixels, true);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
    texImage(target, level, internalFormat, width, height, border, format, type, pixels, false);
}

void glTexImage3D(GLenum, GLint, GLint, GLsizei, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*) {
    if (!insideBeginEnd()) setError(GL_INVALID_ENUM);  // no 3-D textures
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) { texParameter(target, pname, float(param)); }
void glTexParameterf(GLenum target, GLenum pname, GLfloat param) { texParameter(target, pname, param); }
void glTexParameteriv(GLenum target, GLenum pname, const GLint* params) { texParameter(target, pname, float(params[0])); }
void glTexParameterfv(GLenum target, GLenum pname, const GLfloat* params) { texParameter(target, pname, params[0]); }

void glGetTexParameteriv(GLenum target, GLenum pname, GLint* params) {
    if (insideBeginEnd()) return;
    const TextureObject* t = boundObject(target);
    if (!t) return setError(GL_INVALID_ENUM);
    switch (pname) {
        case GL_TEXTURE_MIN_FILTER: *params = GLint(t->minFilter); return;
        case GL_TEXTURE_MAG_FILTER: *params = GLint(t->magFilter); return;
        case GL_TEXTURE_WRAP_S: *params = GLint(t->wrapS); return;
        case GL_TEXTURE_WRAP_T: *params = GLint(t->wrapT); return;
        case GL_TEXTURE_RESIDENT: *params = GL_TRUE; return;
        default: setError(GL_INVALID_ENUM);
    }
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* params) {
    if (insideBeginEnd()) return;
    const TextureLevel* levels = nullptr;
    if (target == GL_PROXY_TEXTURE_1D) levels = glState.proxy1D;
    else if (target == GL_PROXY_TEXTURE_2D) levels = glState.proxy2D;
    else if (const TextureObject* t = boundObject(target)) levels = t->levels;
    if (!levels) return setError(GL_INVALID_ENUM);
    if (level < 0 || level > levelLimit()) return setError(GL_INVALID_VALUE);
    const TextureLevel& l = levels[level];
    const bool colour = l.width > 0 && (l.baseFormat == GL_RGB || l.baseFormat == GL_RGBA);
    const bool alpha = l.width > 0 && (l.baseFormat == GL_ALPHA || l.baseFormat == GL_LUMINANCE_ALPHA ||
                                       l.baseFormat == GL_RGBA);
    const bool luminance = l.width > 0 && (l.baseFormat == GL_LUMINANCE || l.baseFormat == GL_LUMINANCE_ALPHA);
    switch (pname) {
        case GL_TEXTURE_WIDTH: *params = l.width; return;
        case GL_TEXTURE_HEIGHT: *params = l.width > 0 ? l.height : 0; return;
        case GL_TEXTURE_INTERNAL_FORMAT: *params = l.internalFormat; return;  // also GL_TEXTURE_COMPONENTS
        case GL_TEXTURE_BORDER: *params = 0; return;
        case GL_TEXTURE_RED_SIZE: case GL_TEXTURE_GREEN_SIZE: case GL_TEXTURE_BLUE_SIZE: *params = colour ? 8 : 0; return;
        case GL_TEXTURE_ALPHA_SIZE: *params = alpha ? 8 : 0; return;
        case GL_TEXTURE_LUMINANCE_SIZE: *params = luminance ? 8 : 0; return;
        case GL_TEXTURE_INTENSITY_SIZE: *params = 0; return;
        default: setError(GL_INVALID_ENUM);
    }
}

void glGetTexLevelParameterfv(GLenum target, GLint level, GLenum pname, GLfloat* params) {
    GLint value = 0;
    const GLenum before = glState.error;
    glGetTexLevelParameteriv(target, level, pname, &value);
    if (glState.error == before) *params = GLfloat(value);
}

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
    const float v = float(param);
    if (pname == GL_TEXTURE_ENV_COLOR) return setError(GL_INVALID_ENUM);
    texEnv(target, pname, &v);
}
void glTexEnvf(GLenum target, GLenum pname, GLfloat param) {
    if (pname == GL_TEXTURE_ENV_COLOR) return setError(GL_INVALID_ENUM);
    texEnv(target, pname, &param);
}
void glTexEnvfv(GLenum target, GLenum pname, const GLfloat* params) { texEnv(target, pname, params); }
void glTexEnviv(GLenum target, GLenum pname, const GLint* params) {
    float v[4] = {float(params[0]), 0, 0, 0};
    if (pname == GL_TEXTURE_ENV_COLOR)
        for (int i = 0; i < 4; ++i) v[i] = float(params[i]) / 2147483647.0f;
    texEnv(target, pname, v);
}

void glGetTexEnviv(GLenum target, GLenum pname, GLint* params) {
    if (insideBeginEnd()) return;
    if (target != GL_TEXTURE_ENV || pname != GL_TEXTURE_ENV_MODE) return setError(GL_INVALID_ENUM);
    *params = GLint(glState.textureEnvMode);
}

void glPixelStorei(GLenum pname, GLint param) {
    if (insideBeginEnd()) return;
    const bool packing = pname >= GL_PACK_SWAP_BYTES && pname <= GL_PACK_ALIGNMENT;
    const bool unpacking = pname >= GL_UNPACK_SWAP_BYTES && pname <= GL_UNPACK_ALIGNMENT;
    const bool images = pname == GL_PACK_SKIP_IMAGES || pname == GL_PACK_IMAGE_HEIGHT ||
                        pname == GL_UNPACK_SKIP_IMAGES || pname == GL_UNPACK_IMAGE_HEIGHT;
    if (!packing && !unpacking && !images) return setError(GL_INVALID_ENUM);
    PixelStore& s = (pname == GL_PACK_SKIP_IMAGES || pname == GL_PACK_IMAGE_HEIGHT || packing) ? glState.pack : glState.unpack;
    switch (pname) {
        case GL_PACK_ALIGNMENT: case GL_UNPACK_ALIGNMENT:
            if (param != 1 && param != 2 && param != 4 && param != 8) return setError(GL_INVALID_VALUE);
            s.alignment = param;
            return;
        case GL_PACK_SWAP_BYTES: case GL_UNPACK_SWAP_BYTES: s.swapBytes = param != 0; return;  // bytes have none to swap
        case GL_PACK_LSB_FIRST: case GL_UNPACK_LSB_FIRST: s.lsbFirst = param != 0; return;     // for bitmaps only
        default: break;
    }
    if (param < 0) return setError(GL_INVALID_VALUE);
    switch (pname) {
        case GL_PACK_ROW_LENGTH: case GL_UNPACK_ROW_LENGTH: s.rowLength = param; return;
        case GL_PACK_SKIP_ROWS: case GL_UNPACK_SKIP_ROWS: s.skipRows = param; return;
        case GL_PACK_SKIP_PIXELS: case GL_UNPACK_SKIP_PIXELS: s.skipPixels = param; return;
        case GL_PACK_IMAGE_HEIGHT: case GL_UNPACK_IMAGE_HEIGHT: s.imageHeight = param; return;
        default: s.skipImages = param; return;
    }
}

void glPixelStoref(GLenum pname, GLfloat param) { glPixelStorei(pname, GLint(param)); }

}  // extern "C"
