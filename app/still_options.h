// SPDX-License-Identifier: MIT
// still_options.h - the options of a still: which camera, how many frames, the hour and the
// drags it is drawn with. The snapshot tool reads them from its command line, the web page from
// its query string (turned into the same arguments), so both refuse exactly the same values.
//
//   StillOptions          camera 1-5, frames 1-kMaxStillFrames, the day clock before the first
//                         frame, the drags of cameras 4 and 5, camera 1's place on its circle,
//                         the materials' shininess, and the output file (the snapshot tool's
//                         only plain argument)
//   parseStillArguments   reads argv[1..argc-1]: "--camera N", "--frames N", "--time T",
//                         "--drag-yaw D", "--drag-pitch D", "--orbit-angle A", "--shininess S"
//                         (0 to 128), "--help"/"-h",
//                         and, where wantsOutput, exactly one plain argument naming the output.
//                         Returns 0 to go on, 1 when the usage was asked for, 2 on a refusal, whose
//                         words go to errors as one line, after "name: " unless name is null.
//   applyStillOptions     sets the scene's camera, day clock (a --time past the clock's bound is
//                         split as wrapClock splits the running clock), drags and orbit angle from them,
//                         as the first frame of a still wants them; with --shininess, also the
//                         shininess of both faces' material (the program never sets it, so it is
//                         0). Call it after the render-state set-up.
//
// --shininess is for comparing renderers. OpenGL makes a shininess of 0 give the full specular
// colour wherever a light falls on the front of a face; Mesa gives a light with a spot cone
// (the beacon) a smaller highlight there, (n . VP)^(n . VP) of it. With a tiny shininess such as
// 1e-6 Mesa draws what OpenGL's 0 means, to within a level, so its picture can be compared with
// one that follows OpenGL.
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
    double shininess = -1.0;  // below 0: left as the program leaves it
    const char* output = nullptr;
};

int parseStillArguments(int argc, char** argv, bool wantsOutput, StillOptions* options, FILE* errors,
                        const char* name);
void applyStillOptions(const StillOptions& options);
