// SPDX-License-Identifier: MIT
// startup_bench.cpp - from process start to the first frame on screen.
//
//   bench_startup [runs]        (default 11; run in the build folder, under an X server)
//
// Each run starts this executable afresh as a child that does exactly what the program's entry
// does - glutInit, the 800 × 600 window, the same callbacks and timer, setUpRenderState with the
// twelve textures - and then draws and swaps the first frame (displayFrame) and waits for it
// (glFinish). The parent takes the clock just before it forks, so the figure holds the exec, the
// dynamic loading of the GL, GLU and toolkit libraries, the connection to the X server, the
// context, the texture files and the driver's first compilations. The child reports its own
// milestones on the same monotonic clock. Prints every run, then the medians.
#include <GL/freeglut.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "app/render_setup.h"
#include "app/scene_state.h"
#include "app/window_events.h"
#include "bench/bench_window.h"
#include "view/frame.h"

namespace {

constexpr int kMilestones = 4;  // main entered, window made, set-up done, first frame finished
const char* const kMilestoneNames[kMilestones] = {"main", "window", "setup", "first_frame"};

double monotonicMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The program's entry up to its main loop, then one frame instead of the loop.
int runAsProgram(int argc, char** argv) {
    double at[kMilestones];
    at[0] = monotonicMs();
    openWindow(&argc, argv);
    at[1] = monotonicMs();

    wireEvents();
    setUpRenderState();
    at[2] = monotonicMs();

    displayFrame();
    glFinish();
    at[3] = monotonicMs();

    int textures = 0;
    for (GLuint name : scene.textures) textures += name != 0;
    std::printf("%.4f %.4f %.4f %.4f %d\n", at[0], at[1], at[2], at[3], textures);
    std::fflush(stdout);
    return 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--as-program") == 0) return runAsProgram(argc, argv);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    std::vector<double> sinceStart[kMilestones];
    for (int run = 0; run < runs; ++run) {
        int channel[2];
        if (pipe(channel) != 0) return 1;
        const double forkedAt = monotonicMs();
        const pid_t child = fork();
        if (child == 0) {
            dup2(channel[1], STDOUT_FILENO);
            close(channel[0]);
            close(channel[1]);
            char self[] = "/proc/self/exe";
            char flag[] = "--as-program";
            char* childArgv[] = {argv[0], flag, nullptr};
            execv(self, childArgv);
            _exit(127);
        }
        close(channel[1]);
        char line[256] = {};
        size_t got = 0;
        ssize_t n;
        while (got < sizeof line - 1 && (n = read(channel[0], line + got, sizeof line - 1 - got)) > 0)
            got += size_t(n);
        close(channel[0]);
        int status = 0;
        waitpid(child, &status, 0);

        double at[kMilestones];
        int textures = 0;
        if (std::sscanf(line, "%lf %lf %lf %lf %d", &at[0], &at[1], &at[2], &at[3], &textures) != 5 ||
            !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "bench_startup: run %d failed\n", run + 1);
            return 1;
        }
        if (textures != 12) {
            std::fprintf(stderr, "bench_startup: %d of 12 textures loaded; run in the build folder\n",
                         textures);
            return 1;
        }
        std::printf("run %2d:", run + 1);
        for (int m = 0; m < kMilestones; ++m) {
            sinceStart[m].push_back(at[m] - forkedAt);
            std::printf("  %s %.1f ms", kMilestoneNames[m], at[m] - forkedAt);
        }
        std::printf("\n");
    }
    std::printf("STARTUP median of %d runs, ms since the fork:", runs);
    for (int m = 0; m < kMilestones; ++m) std::printf(" %s %.1f", kMilestoneNames[m], median(sinceStart[m]));
    std::printf("\n");
    return 0;
}
