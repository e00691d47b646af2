// SPDX-License-Identifier: MIT
// Broken texture files: the program still starts and draws. Each test works in a fresh temporary
// folder holding good copies of the twelve files (taken from the build folder), damages some of
// them, runs the whole set-up there and draws frames by night and by day. A bad file leaves
// exactly its own entry 0; OpenGL reports no error; the sanitizer build's leak checker sees
// everything the reader allocated freed.
#include <GL/freeglut.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/scene_state.h"
#include "tests/bitmap_fixtures.h"
#include "tests/gl_test_support.h"
#include "texture/bitmap.h"
#include "view/frame.h"
#include "view/pointer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

std::string fileName(int index) { return std::to_string(index) + "textur.dib"; }

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A whole bitmap file from its two headers and pixel bytes.
Bytes bitmapFile(uint32_t pixelOffset, const BitmapInfoHeader& info, const Bytes& afterInfo) {
    BitmapFileHeader header = {};
    header.type = kBitmapMagic;
    header.pixelOffset = pixelOffset;
    header.fileSize = uint32_t(sizeof header + sizeof info + afterInfo.size());
    Bytes bytes(sizeof header + sizeof info + afterInfo.size());
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, &info, sizeof info);
    std::copy(afterInfo.begin(), afterInfo.end(), bytes.begin() + sizeof header + sizeof info);
    return bytes;
}

// A well-formed 8-bit file: 256-entry grey palette, 64 × 64 pixels.
Bytes eightBitFile() {
    Bytes rest;
    for (int i = 0; i < 256; ++i) {
        const unsigned char grey = (unsigned char)i;
        rest.insert(rest.end(), {grey, grey, grey, 0});
    }
    for (int i = 0; i < 64 * 64; ++i) rest.push_back((unsigned char)(i * 7));
    return bitmapFile(54 + 1024, infoHeader(64, 64, 8), rest);
}

// Good copies of the twelve files, made once from the working directory (the build folder).
const std::vector<Bytes>& goodFiles() {
    static const std::vector<Bytes> files = [] {
        std::vector<Bytes> read;
        for (int i = 0; i < 12; ++i) read.push_back(readFile(fileName(i)));
        return read;
    }();
    return files;
}

class BrokenTexturesTest : public GlTest {
protected:
    fs::path home;
    fs::path folder;

    void SetUp() override {
        GlTest::SetUp();
        home = fs::current_path();
        for (const Bytes& file : goodFiles())
            ASSERT_GT(file.size(), 54u) << "texture files missing from the build folder";
        folder = makeTempFolder("talvenor-textures");
        ASSERT_FALSE(folder.empty());
        for (int i = 0; i < 12; ++i) writeFile(folder / fileName(i), goodFiles()[i]);
        fs::current_path(folder);
    }

    void TearDown() override {
        if (folder.empty()) return;
        fs::current_path(home);
        removeFolder(folder);
    }

    // Set-up in the temporary folder, then a frame by night and one by day; with `everyCamera`
    // a frame in each camera by night and by day.
    void startAndDraw(bool everyCamera) {
        resetSceneAndGl();
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "after the set-up";
        const int cameras = everyCamera ? 5 : 1;
        for (int mode = 1; mode <= cameras; ++mode) {
            onSpecialKey(GLUT_KEY_F1 + mode - 1, 0, 0);
            displayFrame();
            ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "night frame, camera " << mode;
        }
        scene.dayTime = 3.3f;  // past sunrise
        for (int mode = 1; mode <= cameras; ++mode) {
            onSpecialKey(GLUT_KEY_F1 + (everyCamera ? mode - 1 : 4), 0, 0);
            displayFrame();
            ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "day frame, camera " << mode;
        }
    }

    // Entries named in `bad` are 0; the others hold distinct texture names.
    void expectOnlyBadEntriesEmpty(const std::vector<int>& bad) {
        for (int i = 0; i < 12; ++i) {
            const bool isBad = std::find(bad.begin(), bad.end(), i) != bad.end();
            if (isBad) {
                EXPECT_EQ(scene.textures[i], 0u) << "entry " << i;
                continue;
            }
            EXPECT_NE(scene.textures[i], 0u) << "entry " << i;
            for (int j = 0; j < i; ++j) {
                if (scene.textures[j] == 0) continue;
                EXPECT_NE(scene.textures[i], scene.textures[j]) << "entries " << j << ", " << i;
            }
        }
    }
};

TEST_F(BrokenTexturesTest, AllTwelveMissingStartsAndDrawsUntextured) {
    for (int i = 0; i < 12; ++i) fs::remove(folder / fileName(i));
    startAndDraw(true);
    expectOnlyBadEntriesEmpty({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
}

// One kind of damage, applied to one file at a time while the other eleven stay good.
struct Damage {
    const char* name;
    void (*apply)(const fs::path& file, const Bytes& good);
};

void cutShort(const fs::path& file, const Bytes& good, size_t length) {
    writeFile(file, Bytes(good.begin(), good.begin() + std::min(length, good.size())));
}

const Damage kDamages[] = {
    {"Empty", [](const fs::path& f, const Bytes& g) { cutShort(f, g, 0); }},
    {"CutInsideTheFileHeader", [](const fs::path& f, const Bytes& g) { cutShort(f, g, 9); }},
    {"CutInsideTheInfoHeader", [](const fs::path& f, const Bytes& g) { cutShort(f, g, 14 + 20); }},
    {"CutAfterTheHeaders", [](const fs::path& f, const Bytes& g) { cutShort(f, g, 54); }},
    {"CutOneByteShort", [](const fs::path& f, const Bytes& g) { cutShort(f, g, g.size() - 1); }},
    {"NotABitmap",
     [](const fs::path& f, const Bytes&) {
         const char text[] = "P6\n256 256\n255\nthis is a portable pixmap, not a device-independent bitmap\n";
         writeFile(f, Bytes(text, text + sizeof text));
     }},
    {"EightBitPaletted", [](const fs::path& f, const Bytes&) { writeFile(f, eightBitFile()); }},
    {"DirectoryOfTheSameName",
     [](const fs::path& f, const Bytes&) {
         fs::remove(f);
         fs::create_directory(f);
     }},
};

// Names the parameter in test output instead of dumping its bytes.
void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }

class EachTextureDamagedTest : public BrokenTexturesTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(EachTextureDamagedTest, OnlyTheDamagedEntryIsEmpty) {
    const Damage& damage = GetParam();
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE("damaged file " + fileName(i));
        const fs::path file = folder / fileName(i);
        damage.apply(file, goodFiles()[i]);
        startAndDraw(false);
        expectOnlyBadEntriesEmpty({i});
        fs::remove(file);
        writeFile(file, goodFiles()[i]);
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Damages, EachTextureDamagedTest, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             return std::string(info.param.name);
                         });

// Headers that lie about the data behind them, one lie per file, all twelve at once.
TEST_F(BrokenTexturesTest, LyingHeadersAreRefusedWithoutReadingPastTheData) {
    const Bytes pixels(64 * 64 * 3, 0x80);
    BitmapInfoHeader info = infoHeader(64, 64, 24);
    std::vector<Bytes> files;

    info.width = 1 << 20;  // a million pixels wide, the same 12 KiB of data
    files.push_back(bitmapFile(54, info, pixels));
    info = infoHeader(64, 64, 24);
    info.imageSize = 16;  // says 16 bytes of pixels for a 64 × 64 image
    files.push_back(bitmapFile(54, info, pixels));
    info = infoHeader(64, 64, 24);
    info.imageSize = 0xFFFFFFF0u;  // four gigabytes
    files.push_back(bitmapFile(54, info, pixels));
    files.push_back(bitmapFile(20, infoHeader(64, 64, 24), pixels));           // info header cut by pixelOffset
    files.push_back(bitmapFile(0xFFFFFFFFu, infoHeader(64, 64, 24), pixels));  // pixel data beyond 4 GiB
    files.push_back(bitmapFile(54, infoHeader(-64, 64, 24), pixels));          // negative width
    files.push_back(bitmapFile(54, infoHeader(64, 0, 24), pixels));            // no rows
    files.push_back(bitmapFile(54, infoHeader(INT32_MAX, INT32_MIN, 24), pixels));
    files.push_back(bitmapFile(54, infoHeader(64, 64, 0), pixels));  // no bits per pixel
    info = infoHeader(64, 64, 24);
    info.compression = 1;  // run-length
    files.push_back(bitmapFile(54, info, pixels));
    info = infoHeader(64, 64, 24);
    info.compression = 3;  // bit fields
    files.push_back(bitmapFile(54, info, pixels));
    Bytes wrongMagic = goodFiles()[11];
    wrongMagic[0] = 'M';
    wrongMagic[1] = 'B';
    files.push_back(wrongMagic);

    ASSERT_EQ(files.size(), 12u);
    for (int i = 0; i < 12; ++i) writeFile(folder / fileName(i), files[i]);
    startAndDraw(true);
    expectOnlyBadEntriesEmpty({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
}

// Files that hung the start-up, bound a 1-D texture to the 2-D target in every frame, or left
// GL_INVALID_VALUE behind: a named pipe nobody writes to (the sky), a one-row image (the round
// building) and an image wider than the driver's largest texture (the ground). The start-up must
// not block, a thousand frames must raise no GL error, and the picture must be exactly the one
// drawn with the three files missing.
TEST_F(BrokenTexturesTest, PipeOneRowAndTooWideFilesDrawAsIfMissing) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const int tooWide = (maxSize + 4) & ~3;  // 16388 on Mesa's software renderer
    const Bytes row(64 * 3, 0x40);
    const Bytes wide(size_t(tooWide) * 3 * 2, 0x40);
    fs::remove(folder / fileName(0));
    fs::remove(folder / fileName(1));
    fs::remove(folder / fileName(8));
    writeFile(folder / fileName(0), bitmapFile(54, infoHeader(64, 1), row));
    writeFile(folder / fileName(1), bitmapFile(54, infoHeader(tooWide, 2), wide));
    ASSERT_EQ(mkfifo((folder / fileName(8)).c_str(), 0600), 0);

    // Draws a night frame and a noon frame with the pennant still, and returns both pictures.
    auto draw = [](std::vector<Bytes>* pictures) {
        scene.vaneFlutter = 0;
        for (const float time : {0.0f, 4.71f}) {
            scene.dayTime = time;
            displayFrame();
            Bytes picture(800 * 600 * 3);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, picture.data());
            pictures->push_back(picture);
        }
    };

    alarm(60);  // a blocking open would hang here: end the test instead
    resetSceneAndGl();
    alarm(0);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "after the set-up";
    expectOnlyBadEntriesEmpty({0, 1, 8});
    std::vector<Bytes> hostile;
    draw(&hostile);
    for (int frame = 3; frame <= 1000; ++frame) {
        displayFrame();
        ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "frame " << frame;
    }

    for (const int i : {0, 1, 8}) fs::remove(folder / fileName(i));
    resetSceneAndGl();
    std::vector<Bytes> missing;
    draw(&missing);
    ASSERT_EQ(hostile.size(), missing.size());
    EXPECT_TRUE(hostile[0] == missing[0]) << "night frame differs from the missing-file case";
    EXPECT_TRUE(hostile[1] == missing[1]) << "noon frame differs from the missing-file case";
}

}  // namespace
