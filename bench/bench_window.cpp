// SPDX-License-Identifier: MIT
// bench_window.cpp - the benchmarks' window and machine facts.
#include "bench/bench_window.h"

#include <GL/freeglut.h>
#include <unistd.h>

#include <fstream>

namespace {

void noDisplay() {}

}  // namespace

void openBenchWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(800, 600);
    glutInitWindowPosition(100, 100);
    glutCreateWindow("Talvenor bench");
    glutDisplayFunc(noDisplay);
    // Let the server map the window before anything is timed.
    for (int i = 0; i < 10; ++i) glutMainLoopEvent();
    glFinish();
}

std::string cpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    }
    return "unknown";
}

std::string glRenderer() {
    const GLubyte* name = glGetString(GL_RENDERER);
    return name ? reinterpret_cast<const char*>(name) : "unknown";
}

std::string glVersion() {
    const GLubyte* name = glGetString(GL_VERSION);
    return name ? reinterpret_cast<const char*>(name) : "unknown";
}

int coreCount() { return int(sysconf(_SC_NPROCESSORS_ONLN)); }
