// SPDX-License-Identifier: MIT
// fuzz_bitmap.cpp - arbitrary bytes through the bitmap reader and the texture checks.
//
// loadBitmapFile takes a path, so every input is handed to it as a file: a memory-backed one
// (memfd_create), created once and refilled for each input, opened by the reader through its
// /proc/self/fd path like any regular file. Whatever the reader returns goes on to
// prepareTextureImage, which swaps and flips the pixels in place, and both blocks are freed; the
// sanitizers report any read or write outside them, a leak, or undefined arithmetic.
//
// Every input is tried, including those whose headers claim blocks far beyond their own length:
// the reader must refuse such a block before allocating it, and the run flags any malloc above a
// low limit (scripts/fuzz) as a fault, so a reader that trusted the header again would be caught.
//
// Built twice from this file: fuzz_bitmap, the libFuzzer target, and, with TALVENOR_FUZZ_REPLAY,
// fuzz_bitmap_replay, a plain program that runs each file named on its command line once.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "texture/bitmap.h"
#include "texture/texture_image.h"

namespace {

// The reader's path to the memory-backed file; empty until the first input.
char inputPath[64];
int inputFile = -1;

void fillInputFile(const uint8_t* data, size_t size) {
    if (inputFile < 0) {
        inputFile = memfd_create("talvenor-fuzz-input", MFD_CLOEXEC);
        if (inputFile < 0) abort();  // nothing can be fuzzed without the file
        snprintf(inputPath, sizeof inputPath, "/proc/self/fd/%d", inputFile);
    }
    // The length first: the reader takes the file's length as the bound of every block.
    if (ftruncate(inputFile, off_t(size)) != 0) abort();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(inputFile, data + done, size - done, off_t(done));
        if (n <= 0) abort();
        done += size_t(n);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fillInputFile(data, size);

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
        LLVMFuzzerTestOneInput(data.data(), data.size());
        printf("%s: %zu bytes, ok\n", argv[i], data.size());
    }
    return 0;
}
#endif
