// SPDX-License-Identifier: MIT
// frame_bench.cpp - what a frame costs on top of the work the driver cannot avoid.
//
//   bench_frame [Google Benchmark flags]
//
// Run in the build folder (the twelve texture files must be in the working directory), under an
// X server, 800 × 600. Every timed iteration ends with glFinish, so the driver's work (Mesa's
// rasterizer threads included) is inside the measurement; times are wall-clock for that reason.
//
// [SECTION] Frames    the whole frame against an empty one and against a display-list replay
//                     of the same calls: the replay is the floor for this call stream, since it
//                     leaves out the program and the immediate-mode call overhead
// [SECTION] Routines  each drawing routine alone, with the matrix and state the scene pass
//                     gives it, after a clear (timed alone as "routine/clear")
// [SECTION] Start-up  setUpRenderState with the twelve textures; reading and uploading one
//                     256 × 256 file
// [SECTION] Summary   after the run: the ratios, then the absolute figures and the machine
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/render_setup.h"
#include "app/scene_state.h"
#include "bench/bench_window.h"
#include "scene/balloon.h"
#include "scene/bird.h"
#include "scene/landscape.h"
#include "scene/mill_tower.h"
#include "scene/scene_pass.h"
#include "scene/sky.h"
#include "texture/bitmap.h"
#include "texture/texture_set.h"
#include "view/frame.h"

namespace {

constexpr const char* kSampleBitmap = "0textur.dib";  // 256 × 256, 24-bit

// ---------------------------------------------------------------------------------------------
// [SECTION] Helpers

// Scene record back to its start values, keeping the quadric and the textures of the set-up.
void resetScene() {
    GLUquadric* const quadric = scene.quadric;
    GLuint textures[12];
    std::copy(scene.textures, scene.textures + 12, textures);
    scene = SceneState{};
    scene.quadric = quadric;
    std::copy(textures, textures + 12, scene.textures);
}

// The first four steps of displayFrame.
void beginFrame() {
    glMatrixMode(GL_MODELVIEW);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, scene.windowWidth, scene.windowHeight);
    glLoadIdentity();
}

// Camera mode 1 at start: from (-60, 10, 0) towards the tower axis, as displayFrame calls it.
void placeStartCamera() { gluLookAt(-60, 10, -0.0, 0, 10, 0, 0, 1, 0); }

// One real frame first, so lights, materials and the bound texture are as the pass leaves them.
void primeWithOneFrame() {
    resetScene();
    displayFrame();
    glFinish();
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Frames

void emptyFrame(benchmark::State& state) {
    resetScene();
    for (auto _ : state) {
        beginFrame();
        glutSwapBuffers();
        glFinish();
    }
}

void fullFrame(benchmark::State& state) {
    primeWithOneFrame();  // the driver compiles its shaders in the first frame
    for (auto _ : state) {
        displayFrame();
        glFinish();
    }
}

// The same frame's calls compiled once into a display list (here only: the program itself sends
// everything anew every frame), then replayed in a frame of its own.
void displayListReplay(benchmark::State& state) {
    primeWithOneFrame();
    const GLuint list = glGenLists(1);
    beginFrame();
    placeStartCamera();
    glNewList(list, GL_COMPILE);
    drawScene();
    glEndList();
    for (auto _ : state) {
        beginFrame();
        placeStartCamera();
        glCallList(list);
        glutSwapBuffers();
        glFinish();
    }
    glDeleteLists(list, 1);
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Routines

// Clear, camera, then `draw` bracketed as the scene pass brackets it; `textured` is the state of
// 2-D texturing the pass hands to the routine.
template <typename Draw>
void timeRoutine(benchmark::State& state, bool textured, Draw draw) {
    primeWithOneFrame();
    glBindTexture(GL_TEXTURE_2D, scene.textures[kTexSail]);  // what the tree wears
    for (auto _ : state) {
        beginFrame();
        placeStartCamera();
        if (textured) glEnable(GL_TEXTURE_2D);
        else glDisable(GL_TEXTURE_2D);
        glPushMatrix();
        draw();
        glPopMatrix();
        glFinish();
    }
    glDisable(GL_TEXTURE_2D);
}

void clearOnly(benchmark::State& state) {
    timeRoutine(state, false, [] {});
}

void bird(benchmark::State& state) {
    timeRoutine(state, false, [] {
        glTranslated(scene.followX * 1.1, 47, scene.followZ * 1.1);
        glRotated(-scene.dragYaw - 90.0, 0, 1, 0);
        drawBird();
    });
}

void balloon(benchmark::State& state) {
    timeRoutine(state, false, [] {
        glTranslated(50, 50, 0);
        drawBalloon();
    });
}

void squareTower(benchmark::State& state) {
    timeRoutine(state, false, [] {
        glTranslated(0, 0, 30);
        drawSquareTower();
    });
}

void sunAndMoon(benchmark::State& state) {
    timeRoutine(state, false, [] {
        drawSun();
        drawMoon();
    });
}

// The sky pops the bracket it is given and opens a new one; timeRoutine's pop closes that.
void sky(benchmark::State& state) {
    timeRoutine(state, false, [] { drawSky(); });
}

void roundBuilding(benchmark::State& state) {
    timeRoutine(state, true, [] { drawRoundBuilding(); });
}

void ground(benchmark::State& state) {
    timeRoutine(state, true, [] { drawGround(); });
}

void millTowerWithSails(benchmark::State& state) {
    timeRoutine(state, true, [] { drawMillTower(); });
}

void tree(benchmark::State& state) {
    timeRoutine(state, true, [] { drawTree(); });
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Start-up

void renderSetUp(benchmark::State& state) {
    GLUquadric* const keptQuadric = scene.quadric;
    GLuint kept[12];
    std::copy(scene.textures, scene.textures + 12, kept);
    for (auto _ : state) {
        setUpRenderState();
        glFinish();
        state.PauseTiming();
        gluDeleteQuadric(scene.quadric);
        glDeleteTextures(12, scene.textures);
        state.ResumeTiming();
    }
    scene.quadric = keptQuadric;
    std::copy(kept, kept + 12, scene.textures);
}

void loadBitmap256(benchmark::State& state) {
    for (auto _ : state) {
        BitmapInfoHeader* info = nullptr;
        unsigned char* pixels = loadBitmapFile(kSampleBitmap, &info);
        if (!pixels) {
            state.SkipWithError("cannot read the sample bitmap");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        free(info);
        free(pixels);
    }
}

void createTexture256(benchmark::State& state) {
    for (auto _ : state) {
        GLuint name = createTexture(kSampleBitmap, GL_LINEAR, GL_LINEAR, GL_REPEAT);
        glFinish();
        if (!name) {
            state.SkipWithError("cannot make a texture of the sample bitmap");
            break;
        }
        state.PauseTiming();
        glDeleteTextures(1, &name);
        state.ResumeTiming();
    }
}

// ---------------------------------------------------------------------------------------------
// [SECTION] Summary

struct Entry {
    const char* name;
    void (*function)(benchmark::State&);
};

const Entry kBenchmarks[] = {
    {"frame/empty", emptyFrame},
    {"frame/full", fullFrame},
    {"frame/display_list_replay", displayListReplay},
    {"routine/clear", clearOnly},
    {"routine/drawBird", bird},
    {"routine/drawBalloon", balloon},
    {"routine/drawSquareTower", squareTower},
    {"routine/drawSun+drawMoon", sunAndMoon},
    {"routine/drawSky", sky},
    {"routine/drawRoundBuilding", roundBuilding},
    {"routine/drawGround", ground},
    {"routine/drawMillTower+sails", millTowerWithSails},
    {"routine/drawTree", tree},
    {"startup/setUpRenderState", renderSetUp},
    {"startup/loadBitmapFile_256", loadBitmap256},
    {"startup/createTexture_256", createTexture256},
};

double toMilliseconds(double value, benchmark::TimeUnit unit) {
    switch (unit) {
    case benchmark::kNanosecond: return value / 1e6;
    case benchmark::kMicrosecond: return value / 1e3;
    case benchmark::kMillisecond: return value;
    case benchmark::kSecond: return value * 1e3;
    }
    return value;
}

// Prints as the console reporter does and keeps each benchmark's time per iteration: the median
// aggregate when repetitions were asked for, otherwise the median of the single runs.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    std::map<std::string, std::vector<double>> runs;
    std::map<std::string, double> medians;

    void ReportRuns(const std::vector<Run>& reports) override {
        ConsoleReporter::ReportRuns(reports);
        for (const Run& run : reports) {
            if (run.error_occurred) continue;
            const double ms = toMilliseconds(run.GetAdjustedRealTime(), run.time_unit);
            if (run.run_type == Run::RT_Iteration) runs[run.run_name.function_name].push_back(ms);
            else if (run.aggregate_name == "median") medians[run.run_name.function_name] = ms;
        }
    }

    // Milliseconds per iteration, or a negative value when the benchmark did not run.
    double milliseconds(const std::string& name) const {
        const auto median = medians.find(name);
        if (median != medians.end()) return median->second;
        const auto found = runs.find(name);
        if (found == runs.end() || found->second.empty()) return -1;
        std::vector<double> times = found->second;
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    }
};

void printSummary(const RecordingReporter& reporter) {
    const double full = reporter.milliseconds("frame/full");
    const double empty = reporter.milliseconds("frame/empty");
    const double replay = reporter.milliseconds("frame/display_list_replay");
    const double clear = reporter.milliseconds("routine/clear");

    std::printf("\nSummary (wall-clock per iteration; medians when repeated)\n");
    if (full > 0 && replay > 0) std::printf("RATIO full_frame/display_list_replay %.3f\n", full / replay);
    if (full > 0 && empty > 0) std::printf("RATIO full_frame/empty_frame %.3f\n", full / empty);
    for (const Entry& entry : kBenchmarks) {
        const double ms = reporter.milliseconds(entry.name);
        if (ms < 0) continue;
        const bool routine = std::string(entry.name).rfind("routine/draw", 0) == 0;
        if (routine && clear > 0)
            std::printf("TIME %s %.4f ms (%.4f ms beyond the clear)\n", entry.name, ms, ms - clear);
        else
            std::printf("TIME %s %.4f ms\n", entry.name, ms);
    }
    if (full > 0) std::printf("RATE full_frame %.1f frames/s\n", 1000.0 / full);
    std::printf("MACHINE %d cores; %s; %s; OpenGL %s\n", coreCount(), cpuModel().c_str(), glRenderer().c_str(),
                glVersion().c_str());
}

}  // namespace

int main(int argc, char** argv) {
    openBenchWindow(&argc, argv);
    setUpRenderState();
    for (GLuint name : scene.textures) {
        if (name == 0) {
            std::fprintf(stderr, "bench_frame: the twelve texture files must be in the working directory\n");
            return 1;
        }
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::AddCustomContext("cores", std::to_string(coreCount()));
    benchmark::AddCustomContext("cpu_model", cpuModel());
    benchmark::AddCustomContext("gl_renderer", glRenderer());
    benchmark::AddCustomContext("gl_version", glVersion());
    for (const Entry& entry : kBenchmarks)
        benchmark::RegisterBenchmark(entry.name, entry.function)->Unit(benchmark::kMillisecond)->UseRealTime();

    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
