// SPDX-License-Identifier: MIT
// Texture objects made from bitmap files, read back from OpenGL itself.
#include <GL/gl.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/scene_state.h"
#include "tests/gl_test_support.h"
#include "tests/bitmap_fixtures.h"
#include "texture/bitmap.h"
#include "texture/texture_image.h"
#include "texture/texture_set.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Writes an uncompressed bitmap file holding the given pixel block.
void writeImage(const std::string& path, int width, int height, const Bytes& pixels, uint16_t bitCount = 24) {
    const BitmapInfoHeader info = infoHeader(width, height, bitCount, uint32_t(pixels.size()));
    Bytes infoBlock(1100, 0);  // room for any colour table the writer adds
    memcpy(infoBlock.data(), &info, sizeof info);
    ASSERT_EQ(saveBitmapFile(path.c_str(), reinterpret_cast<const BitmapInfoHeader*>(infoBlock.data()),
                             pixels.data()),
              0);
}

// Changes one byte of a file.
void overwrite(const std::string& path, long at, unsigned char value) {
    FILE* file = fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    fseek(file, at, SEEK_SET);
    fputc(value, file);
    fclose(file);
}

Bytes repeated(int count, std::initializer_list<unsigned char> pixel) {
    Bytes bytes;
    for (int i = 0; i < count; ++i) bytes.insert(bytes.end(), pixel);
    return bytes;
}

int levelParameter(GLenum target, int level, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(target, level, name, &value);
    return value;
}

int texParameter(GLenum target, GLenum name) {
    GLint value = -1;
    glGetTexParameteriv(target, name, &value);
    return value;
}

int integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

int envMode() {
    GLint mode = -1;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return mode;
}

// Level 0 of the texture bound to the target, tightly packed red-green-blue.
Bytes texels(GLenum target, int width, int rows) {
    Bytes bytes(size_t(3) * width * rows, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(target, 0, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return bytes;
}

// Every test may work in a temporary folder of its own; the working directory is restored after.
class TextureSetTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        home_ = here;
        folder_ = makeTempFolder("talvenor-textures");
        ASSERT_FALSE(folder_.empty());
    }

    void TearDown() override {
        EXPECT_EQ(chdir(home_.c_str()), 0);
        removeFolder(folder_);
    }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    // Twelve small files in the temporary folder; file i's first pixel is stored as (i + 1, 100, 200).
    void writeTwelveFiles() {
        for (int i = 0; i < 12; ++i) {
            Bytes pixels = repeated(8, {0, 0, 0});
            pixels[0] = (unsigned char)(i + 1);
            pixels[1] = 100;
            pixels[2] = 200;
            writeImage(path(std::to_string(i) + "textur.dib"), 4, 2, pixels);
        }
    }

    void reloadSetHere() {
        ASSERT_EQ(chdir(folder_.c_str()), 0);
        glDeleteTextures(12, scene.textures);
        for (GLuint& name : scene.textures) name = 0;
        loadTextureSet();
    }

    std::string home_, folder_;
};

TEST_F(TextureSetTest, EveryEntryHoldsItsOwnFileAndTheLastStaysBound) {
    writeTwelveFiles();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    reloadSetHere();
    std::set<GLuint> names;
    for (int i = 0; i < 12; ++i) {
        const GLuint name = scene.textures[i];
        ASSERT_NE(name, 0u) << i;
        names.insert(name);
        glBindTexture(GL_TEXTURE_2D, name);
        EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR) << i;
        EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_LINEAR) << i;
        EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT) << i;
        EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_REPEAT) << i;
        const Bytes got = texels(GL_TEXTURE_2D, 4, 2);
        EXPECT_EQ(got[0], 200) << i;
        EXPECT_EQ(got[1], 100) << i;
        EXPECT_EQ(got[2], i + 1) << i;
    }
    EXPECT_EQ(names.size(), 12u);

    reloadSetHere();  // once more, to look at what the loading itself leaves behind
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), scene.textures[11]);
    EXPECT_EQ(envMode(), GL_MODULATE);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_1D));
    // No pixel-store state is set anywhere.
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 4);
    EXPECT_EQ(integer(GL_UNPACK_ROW_LENGTH), 0);
    EXPECT_EQ(integer(GL_UNPACK_SKIP_ROWS), 0);
    EXPECT_EQ(integer(GL_UNPACK_SKIP_PIXELS), 0);
    EXPECT_EQ(integer(GL_UNPACK_SWAP_BYTES), GL_FALSE);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureSetTest, MissingFileLeavesOnlyItsEntryEmpty) {
    writeTwelveFiles();
    for (int missing : {6, 1, 0, 11}) {
        const std::string file = path(std::to_string(missing) + "textur.dib");
        ASSERT_EQ(rename(file.c_str(), path("aside").c_str()), 0);
        reloadSetHere();
        std::set<GLuint> names;
        for (int i = 0; i < 12; ++i) {
            if (i == missing) {
                EXPECT_EQ(scene.textures[i], 0u) << "missing " << missing;
            } else {
                EXPECT_NE(scene.textures[i], 0u) << "missing " << missing << ", entry " << i;
                names.insert(scene.textures[i]);
            }
        }
        EXPECT_EQ(names.size(), 11u);
        ASSERT_EQ(rename(path("aside").c_str(), file.c_str()), 0);
    }
}

TEST_F(TextureSetTest, GeneratedSetInTheBuildFolderArrivesUnchanged) {
    // The fixture loaded the set from the working directory; compare each texture with its file.
    for (int i = 0; i < 12; ++i) {
        const std::string file = std::to_string(i) + "textur.dib";
        BitmapInfoHeader* info = nullptr;
        unsigned char* pixels = loadBitmapFile(file.c_str(), &info);
        if (!pixels) GTEST_SKIP() << file << " is not in the working directory";
        TextureImage image = {};
        ASSERT_TRUE(prepareTextureImage(info, pixels, &image)) << file;
        ASSERT_EQ(3 * image.width % 4, 0) << file << ": rows of the set are not padded";
        ASSERT_GE(image.rows, 2) << file;
        ASSERT_NE(scene.textures[i], 0u) << file;
        glBindTexture(GL_TEXTURE_2D, scene.textures[i]);
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), image.width) << file;
        EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), image.rows) << file;
        const Bytes got = texels(GL_TEXTURE_2D, image.width, image.rows);
        EXPECT_EQ(memcmp(got.data(), pixels, got.size()), 0) << file;
        free(info);
        free(pixels);
    }
    std::set<GLuint> names(std::begin(scene.textures), std::end(scene.textures));
    EXPECT_EQ(names.size(), 12u);
}

TEST_F(TextureSetTest, PixelsReachTheTextureAsRedGreenBlueInBottomUpOrder) {
    const std::string plain = path("plain.dib");
    writeImage(plain, 4, 2, repeated(8, {10, 20, 30}));
    const GLuint name = createTexture(plain.c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT);
    ASSERT_NE(name, 0u);
    EXPECT_EQ(texels(GL_TEXTURE_2D, 4, 2), repeated(8, {30, 20, 10}));

    // Width 5 pads each row to 16 bytes; stored top-down, the last stored row becomes row 0.
    Bytes stored = repeated(5, {1, 2, 3});
    stored.push_back(0xEE);
    const Bytes secondRow = repeated(5, {4, 5, 6});
    stored.insert(stored.end(), secondRow.begin(), secondRow.end());
    stored.push_back(0xEE);
    const std::string padded = path("padded.dib");
    writeImage(padded, 5, -2, stored);
    const GLuint other = createTexture(padded.c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT);
    ASSERT_NE(other, 0u);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 5);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 2);
    Bytes expected = repeated(5, {6, 5, 4});
    const Bytes top = repeated(5, {3, 2, 1});
    expected.insert(expected.end(), top.begin(), top.end());
    EXPECT_EQ(texels(GL_TEXTURE_2D, 5, 2), expected);
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 4);

    GLuint made[] = {name, other};
    glDeleteTextures(2, made);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureSetTest, OneRowMakesA1DTextureAndTwoRowsA2DTexture) {
    const std::string row = path("row.dib");
    writeImage(row, 64, 1, repeated(64, {1, 2, 3}));
    glBindTexture(GL_TEXTURE_2D, 0);
    const GLuint line = createTexture(row.c_str(), GL_NEAREST, GL_LINEAR, GL_CLAMP_TO_EDGE);
    ASSERT_NE(line, 0u);
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_1D)), line);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    EXPECT_EQ(levelParameter(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(texParameter(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(texParameter(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(texParameter(GL_TEXTURE_1D, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(texels(GL_TEXTURE_1D, 64, 1), repeated(64, {3, 2, 1}));

    const std::string rows = path("rows.dib");
    writeImage(rows, 64, 2, repeated(128, {1, 2, 3}));
    glBindTexture(GL_TEXTURE_1D, 0);
    const GLuint square = createTexture(rows.c_str(), GL_LINEAR, GL_NEAREST, GL_CLAMP);
    ASSERT_NE(square, 0u);
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), square);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_1D), 0);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT), 2);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 0);  // level 0 alone
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_CLAMP);

    GLuint made[] = {line, square};
    glDeleteTextures(2, made);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureSetTest, MipmappingFilterBuildsTheWholeChain) {
    const std::string square = path("square.dib");
    writeImage(square, 8, 8, repeated(64, {10, 20, 30}));
    const GLuint flat = createTexture(square.c_str(), GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT);
    ASSERT_NE(flat, 0u);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH), 1);
    EXPECT_EQ(levelParameter(GL_TEXTURE_2D, 3, GL_TEXTURE_HEIGHT), 1);
    EXPECT_EQ(texels(GL_TEXTURE_2D, 8, 8), repeated(64, {30, 20, 10}));

    const std::string row = path("row.dib");
    writeImage(row, 64, 1, repeated(64, {1, 2, 3}));
    const GLuint line = createTexture(row.c_str(), GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT);
    ASSERT_NE(line, 0u);
    EXPECT_EQ(levelParameter(GL_TEXTURE_1D, 1, GL_TEXTURE_WIDTH), 32);
    EXPECT_EQ(levelParameter(GL_TEXTURE_1D, 6, GL_TEXTURE_WIDTH), 1);

    GLuint made[] = {flat, line};
    glDeleteTextures(2, made);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureSetTest, FilesThatCannotBecomeTexturesLeaveOpenGLUntouched) {
    const Bytes pixels = repeated(8, {10, 20, 30});
    const std::string eightBit = path("8bit.dib"), runLength = path("rle.dib"), cut = path("cut.dib"),
                      magic = path("magic.dib"), tooShort = path("short.dib");
    writeImage(eightBit, 4, 6, pixels, 8);
    writeImage(runLength, 4, 2, pixels);
    overwrite(runLength, 30, 1);  // compression: run-length, though 24 bits deep
    writeImage(cut, 4, 2, pixels);
    ASSERT_EQ(truncate(cut.c_str(), 54 + 23), 0);
    writeImage(magic, 4, 2, pixels);
    overwrite(magic, 0, 'X');
    writeImage(tooShort, 5, 2, Bytes(30, 1));  // padded rows need 32 bytes

    GLuint known = 0;
    glGenTextures(1, &known);
    glBindTexture(GL_TEXTURE_2D, known);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    for (const std::string& file : {eightBit, runLength, cut, magic, tooShort, path("absent.dib")}) {
        EXPECT_EQ(createTexture(file.c_str(), GL_LINEAR, GL_LINEAR, GL_REPEAT), 0u) << file;
        EXPECT_EQ(createTexture(file.c_str(), GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT), 0u) << file;
    }
    EXPECT_EQ(GLuint(integer(GL_TEXTURE_BINDING_2D)), known);
    EXPECT_EQ(texParameter(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(envMode(), GL_REPLACE);
    // No name was used up: the next one issued follows the one made above.
    GLuint next = 0;
    glGenTextures(1, &next);
    EXPECT_EQ(next, known + 1);
    GLuint made[] = {known, next};
    glDeleteTextures(2, made);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
