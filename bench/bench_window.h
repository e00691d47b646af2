// SPDX-License-Identifier: MIT
// bench_window.h - the window and the machine facts the benchmarks share.
//
//   openBenchWindow   the program's own window: 800 × 600, RGBA, double-buffered, depth buffer,
//                     shown and mapped (so a swap really copies the frame out, as in the program),
//                     with a current Mesa context; no callbacks but an empty display function
//   machineSummary    "N cores, CPU model, GL renderer (GL version)" for the report
//   cpuModel          the first "model name" of /proc/cpuinfo
//   glRenderer        GL_RENDERER of the current context
#pragma once

#include <string>

void openBenchWindow(int* argc, char** argv);
std::string cpuModel();
std::string glRenderer();
std::string glVersion();
int coreCount();
