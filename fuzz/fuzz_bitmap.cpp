// SPDX-License-Identifier: MIT
// fuzz_bitmap.cpp - arbitrary bytes through the bitmap reader and the texture checks.
//
// loadBitmapFile takes a path, so every input is first written to a file of this process's own
// (/tmp/talvenor-fuzz-<pid>.dib). Whatever the reader returns goes on to prepareTextureImage,
// which swaps and flips the pixels in place, and both blocks are freed; the sanitizers report any
// read or write outside them, a leak, or undefined arithmetic.
//
// An input whose header claims blocks far beyond its own length is skipped: the reader would
// only malloc up to 2 GiB and refuse the file at the short read, but under AddressSanitizer
// freeing such a block costs about a second (its whole shadow gets poisoned), which would slow the
// search to a few runs a second. The unit tests cover those claims; here every allocation stays
// small, so the run can flag any malloc above a low limit as a fault of the reader.
//
// Built twice from this file: fuzz_bitmap, the libFuzzer target, and, with TALVENOR_FUZZ_REPLAY,
// fuzz_bitmap_replay, a plain program that runs each file named on its command line once.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "texture/bitmap.h"
#include "texture/texture_image.h"

namespace {

char inputPath[64];  // a plain array: still valid when the exit handler below runs

void removeInputFile() { unlink(inputPath); }

constexpr int64_t kClaimSlack = 1 << 20;

bool claimsFarTooMuch(const uint8_t* data, size_t size) {
    if (size < sizeof(BitmapFileHeader)) return false;
    BitmapFileHeader header;
    memcpy(&header, data, sizeof header);
    const int64_t limit = int64_t(size) + kClaimSlack;
    if (int64_t(header.pixelOffset) - int64_t(sizeof header) > limit) return true;
    if (size < sizeof header + sizeof(BitmapInfoHeader)) return false;
    BitmapInfoHeader info;
    memcpy(&info, data + sizeof header, sizeof info);
    return bitmapPixelSize(&info) > limit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!inputPath[0]) {
        snprintf(inputPath, sizeof inputPath, "/tmp/talvenor-fuzz-%d.dib", int(getpid()));
        atexit(removeInputFile);
    }
    if (claimsFarTooMuch(data, size)) return -1;  // -1: not worth keeping in the corpus

    FILE* file = fopen(inputPath, "wb");
    if (!file) abort();  // nothing can be fuzzed without the file
    if (size && fwrite(data, 1, size, file) != size) abort();
    if (fclose(file) != 0) abort();

    BitmapInfoHeader* info = reinterpret_cast<BitmapInfoHeader*>(uintptr_t(1));
    unsigned char* pixels = loadBitmapFile(inputPath, &info);
    if (!pixels) {
        if (info) abort();  // a refusal must leave no info block behind
        return 0;
    }
    if (!info) abort();

    // The writer's table over a header read from outside must not overflow either.
    volatile int64_t infoSize = bitmapInfoSize(info);
    (void)infoSize;

    TextureImage image = {0, 0};
    if (prepareTextureImage(info, pixels, &image)) {
        if (image.width < 1 || image.rows < 1) abort();
        // Touch the last byte of the last row the upload would read.
        const int64_t stride = (3 * int64_t(image.width) + 3) & ~int64_t(3);
        volatile unsigned char last = pixels[(image.rows - 1) * stride + 3 * int64_t(image.width) - 1];
        (void)last;
    }
    free(info);
    free(pixels);
    return 0;
}

#ifdef TALVENOR_FUZZ_REPLAY
int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s input-file...\n", argv[0]);
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        FILE* file = fopen(argv[i], "rb");
        if (!file) {
            fprintf(stderr, "%s: cannot open\n", argv[i]);
            return 1;
        }
        std::vector<uint8_t> data;
        int c;
        while ((c = fgetc(file)) != EOF) data.push_back(uint8_t(c));
        fclose(file);
        const bool skipped = LLVMFuzzerTestOneInput(data.data(), data.size()) != 0;
        printf("%s: %zu bytes, %s\n", argv[i], data.size(), skipped ? "skipped (claims far too much)" : "ok");
    }
    return 0;
}
#endif
