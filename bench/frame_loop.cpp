// SPDX-License-Identifier: MIT
// frame_loop.cpp - frames back to back without any timing, for instruction counting.
//
//   bench_frames [frames [warm-up frames]]     (defaults 300 and 30; run in the build folder)
//
// Opens the program's window, sets up as the program does, draws the warm-up frames (the
// driver compiles its shader variants there), then draws the counted frames inside
// countedFrames(), the one function a profiler is told to collect in:
//   valgrind --tool=callgrind --toggle-collect=countedFrames ./bench_frames 300
// The clocks run through day and night as in the program, so both halves of the day count.
#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

#include "app/render_setup.h"
#include "app/scene_state.h"
#include "bench/bench_window.h"
#include "view/frame.h"

extern "C" __attribute__((noinline)) void countedFrames(int frames) {
    for (int i = 0; i < frames; ++i) displayFrame();
    glFinish();
}

int main(int argc, char** argv) {
    openBenchWindow(&argc, argv);
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    const int warmUp = argc > 2 ? std::atoi(argv[2]) : 30;
    setUpRenderState();
    int textures = 0;
    for (GLuint name : scene.textures) textures += name != 0;
    if (textures != 12) {
        std::fprintf(stderr, "bench_frames: %d of 12 textures loaded; run in the build folder\n", textures);
        return 1;
    }
    for (int i = 0; i < warmUp; ++i) displayFrame();
    glFinish();
    countedFrames(frames);
    std::printf("FRAMES %d counted after %d warm-up frames; GL errors: %d\n", frames, warmUp,
                int(glGetError()));
    return 0;
}
