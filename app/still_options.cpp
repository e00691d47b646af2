// SPDX-License-Identifier: MIT
// still_options.cpp - reading a still's options and handing them to the scene.
#include "app/still_options.h"

#include <GL/gl.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/scene_state.h"

namespace {

bool parseLong(const char* text, long low, long high, long* value) {
    char* end = nullptr;
    errno = 0;
    const long v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

bool parseDouble(const char* text, double* value) {
    char* end = nullptr;
    errno = 0;
    const double v = strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// The start of a refusal's line: the program's name, where there is one.
FILE* refusal(FILE* errors, const char* name) {
    if (name) fprintf(errors, "%s: ", name);
    return errors;
}

}  // namespace

int parseStillArguments(int argc, char** argv, bool wantsOutput, StillOptions* options, FILE* errors,
                        const char* name) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) return 1;
        const bool takesValue = strcmp(arg, "--camera") == 0 || strcmp(arg, "--frames") == 0 ||
                                strcmp(arg, "--time") == 0 || strcmp(arg, "--drag-yaw") == 0 ||
                                strcmp(arg, "--drag-pitch") == 0 || strcmp(arg, "--orbit-angle") == 0 ||
                                strcmp(arg, "--shininess") == 0;
        if (takesValue) {
            if (i + 1 >= argc) {
                fprintf(refusal(errors, name), "%s needs a value\n", arg);
                return 2;
            }
            const char* value = argv[++i];
            bool ok = false;
            if (strcmp(arg, "--camera") == 0) ok = parseLong(value, 1, 5, &options->camera);
            else if (strcmp(arg, "--frames") == 0) ok = parseLong(value, 1, kMaxStillFrames, &options->frames);
            else if (strcmp(arg, "--time") == 0) ok = parseDouble(value, &options->time);
            else if (strcmp(arg, "--drag-yaw") == 0) ok = parseDouble(value, &options->dragYaw);
            else if (strcmp(arg, "--drag-pitch") == 0) ok = parseDouble(value, &options->dragPitch);
            else if (strcmp(arg, "--shininess") == 0)
                ok = parseDouble(value, &options->shininess) && options->shininess >= 0 && options->shininess <= 128;
            else ok = parseDouble(value, &options->orbitAngle);
            if (!ok) {
                fprintf(refusal(errors, name), "bad value for %s: %s\n", arg, value);
                return 2;
            }
        } else if (arg[0] == '-' && arg[1] != '\0') {
            fprintf(refusal(errors, name), "unknown option %s\n", arg);
            return 2;
        } else if (!wantsOutput) {
            fprintf(refusal(errors, name), "unexpected argument %s\n", arg);
            return 2;
        } else if (options->output) {
            fprintf(refusal(errors, name), "more than one output file\n");
            return 2;
        } else {
            options->output = arg;
        }
    }
    if (wantsOutput && !options->output) {
        fprintf(refusal(errors, name), "no output file given\n");
        return 2;
    }
    return 0;
}

void applyStillOptions(const StillOptions& options) {
    scene.cameraMode = int(options.camera);
    // --time is the day clock as a program that had run that long would hold it: the whole
    // blocks of turns that wrapClock would have taken off go to dayTimeTaken, so a time of any
    // size puts the sun where that time puts it (to a float) and turns the sky by ten times it.
    // Below the bound nothing is taken and the clock is float(time), as it always was.
    const double bound = kClockTurns * kRadianTurn;
    const double taken = std::trunc(options.time / bound) * bound;
    scene.dayTime = float(options.time - taken);
    scene.dayTimeTaken = taken;
    scene.dragYaw = float(options.dragYaw);
    scene.dragPitch = float(options.dragPitch);
    scene.orbitAngle = float(options.orbitAngle);
    if (options.shininess >= 0) glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, float(options.shininess));
}
