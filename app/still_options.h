// SPDX-License-Identifier: MIT
// still_options.h - the options of a still: which camera, how many frames, the hour and the
// drags it is drawn with. The snapshot tool reads them from its command line, the web page from
// its query string (turned into the same arguments), so both refuse exactly the same values.
//
//   StillOptions          camera 1-5, frames 1-kMaxStillFrames, the day clock before the first
//                         frame, the drags of cameras 4 and 5, camera 1's place on its circle,
//                         and the output file (the snapshot tool's only plain argument)
//   parseStillArguments   reads argv[1..argc-1]: "--camera N", "--frames N", "--time T",
//                         "--drag-yaw D", "--drag-pitch D", "--orbit-angle A", "--help"/"-h",
//                         and, where wantsOutput, exactly one plain argument naming the output.
//                         Returns 0 to go on, 1 when the usage was asked for, 2 on a refusal, whose
//                         words go to errors as one line, after "name: " unless name is null.
//   applyStillOptions     sets the scene's camera, day clock, drags and orbit angle from them,
//                         as the first frame of a still wants them
#pragma once

#include <cstdio>

constexpr long kMaxStillFrames = 100000;

struct StillOptions {
    long camera = 1;
    long frames = 1;
    double time = 0.0;
    double dragYaw = 0.0;
    double dragPitch = 0.0;
    double orbitAngle = 0.0;
    const char* output = nullptr;
};

int parseStillArguments(int argc, char** argv, bool wantsOutput, StillOptions* options, FILE* errors,
                        const char* name);
void applyStillOptions(const StillOptions& options);
