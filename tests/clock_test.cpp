// SPDX-License-Identifier: MIT
// The animation clocks over long runs: clocks as a month's run would leave them still step as on
// the first day, a wrap of any clock looks like an ordinary step, and a still's --time of any
// size puts the sun and the sky where that time puts them.
#include <GL/freeglut.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "app/scene_state.h"
#include "app/still_options.h"
#include "app/window_events.h"
#include "scene/sky.h"
#include "tests/gl_test_support.h"
#include "view/frame.h"
#include "view/keyboard.h"

namespace {

constexpr double kPi = 3.14159265358979;
constexpr int kWidth = 200;
constexpr int kHeight = 150;

using ClockTest = GlTest;

// The back buffer after a frame, as bytes.
std::vector<unsigned char> picture() {
    std::vector<unsigned char> pixels(kWidth * kHeight * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

long difference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    long sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
    return sum;
}

// How far an angle moved, through sine and cosine, so that whole turns do not count.
double angularStep(double before, double after) {
    return std::hypot(std::sin(after) - std::sin(before), std::cos(after) - std::cos(before));
}

constexpr double kRadiansPerDegree = kPi / 180;

TEST_F(ClockTest, MonthOldClocksStepAsOnTheFirstDay) {
    // Each clock where its own step first rounds to nothing in a float, which is where a month at
    // 144 frames a second leaves it without the wrap: the day clock at 2^18 (here a few of its
    // steps of 1/32 on, at night, so that the beacon turns too), the sails' 1 degree at 2^24, the
    // lamp's -2.29 degrees at -2^26, the beam's 0.04 at 2^20 and the orbit's 0.03 at 2^19.
    scene.dayTime = 262147.96875f;
    scene.sailAngle = 16777216.0f;
    scene.lampAngle = -67108864.0f;
    scene.beaconSweep = 1048576.0f;
    scene.orbitAngle = 524288.0f;
    scene.autoOrbit = 1;
    onReshape(kWidth, kHeight);
    // Those values are farther out than the program ever lets a clock go now; the first frame
    // brings them in (its own steps are still lost to the rounding, as they were before).
    displayFrame();
    ASSERT_EQ(scene.beaconLit, 1);

    for (int frame = 0; frame < 20; ++frame) {
        SCOPED_TRACE(frame);
        const SceneState before = scene;
        const double skyBefore = skyTurnDegrees();
        const Vec3 eyeBefore = eyeOfModelView(viewMatrixAfterFrame());
        displayFrame();
        EXPECT_NEAR(scene.dayTime - before.dayTime, 0.01, 0.0001);
        EXPECT_NEAR(scene.sailAngle - before.sailAngle, 1.0, 0.01);
        EXPECT_NEAR(scene.lampAngle - before.lampAngle, -2.2919717, 0.022919717);
        EXPECT_NEAR(scene.beaconSweep - before.beaconSweep, 0.04, 0.0004);
        EXPECT_NEAR(scene.orbitAngle - before.orbitAngle, 0.03, 0.0003);
        // What the clocks feed moves on: the sky by a tenth of a degree as the graphics library
        // takes it (as a float), the sun by 0.9 to 0.95 units, the beam's aim by 40 x 0.04, the
        // orbit camera's eye by 60 x 0.03.
        EXPECT_NEAR(float(skyTurnDegrees()) - float(skyBefore), 0.1, 0.001);
        EXPECT_NEAR(std::hypot(scene.sunPosition[0] - before.sunPosition[0],
                               scene.sunPosition[1] - before.sunPosition[1],
                               scene.sunPosition[2] - before.sunPosition[2]),
                    0.925, 0.03);
        EXPECT_NEAR(std::hypot(scene.beaconDirection[0] - before.beaconDirection[0],
                               scene.beaconDirection[2] - before.beaconDirection[2]),
                    1.6, 0.016);
        const Vec3 eye = eyeOfModelView(viewMatrixAfterFrame());
        EXPECT_NEAR(std::hypot(eye.x - eyeBefore.x, eye.z - eyeBefore.z), 1.8, 0.018);
    }
    const float beforeTick = scene.dayTime;
    onTimer(1);
    EXPECT_NEAR(scene.dayTime - beforeTick, 0.001, 0.00001);
}

// One clock run across its bound; the others go on as usual.
struct WrapCase {
    const char* name;
    float* clock;
    double turn;   // of the clock, in its unit
    double step;   // per frame, in its unit
    int camera;    // the one that shows the clock best
    float dayTime;
    float sailSpeed;
    int autoOrbit;
    bool unlit;    // lighting off ("l")
    float orbitHeight;
};

TEST_F(ClockTest, AWrapLooksLikeAnOrdinaryStep) {
    constexpr double kRadianBound = kClockTurns * kRadianTurn;
    constexpr double kDegreeBound = kClockTurns * kDegreeTurn;
    const WrapCase cases[] = {
        // The day clock's bound is a whole number of days, so it wraps at nightfall, when the lamp
        // lights up: the orbit camera looks out above the tower, unlit, at the turning sky, the
        // sun and moon, and the balloon and bird.
        {"dayTime, unlit, the sky above the tower", &scene.dayTime, kRadianTurn, 0.01, 1, 0, 1, 0, true, 60},
        {"sailAngle forwards, riding on the sails", &scene.sailAngle, kDegreeTurn, 1.1, 3, 1.2f, 1.1f, 0, false, 10},
        {"sailAngle backwards, riding on the sails", &scene.sailAngle, kDegreeTurn, -1.1, 3, 1.2f, -1.1f, 0, false, 10},
        {"lampAngle, looking out from the lamp", &scene.lampAngle, kDegreeTurn, -2.2919717, 2, 1.2f, 1, 0, false, 10},
        {"beaconSweep, the beam on the ground", &scene.beaconSweep, kRadianTurn, 0.04, 1, 1.2f, 1, 0, false, 10},
        {"orbitAngle, the orbit camera", &scene.orbitAngle, kRadianTurn, 0.03, 1, 1.2f, 1, 1, false, 10},
    };
    constexpr int kFrames = 8;
    for (const WrapCase& c : cases) {
        SCOPED_TRACE(c.name);
        resetSceneAndGl();
        onReshape(kWidth, kHeight);
        scene.cameraMode = c.camera;
        scene.sailSpeed = c.sailSpeed;
        scene.autoOrbit = c.autoOrbit;
        if (c.unlit) onKey('l', 0, 0);
        scene.orbitHeight = c.orbitHeight;
        const double bound = c.turn == kRadianTurn ? kRadianBound : kDegreeBound;
        // Four and a half steps short of the bound, in the direction the clock runs, and one frame
        // to start with: the first after a reset differs from the rest (light 1 comes from its
        // start place, for one).
        *c.clock = float((c.step > 0 ? bound : -bound) - 4.5 * c.step);
        scene.dayTime = c.clock == &scene.dayTime ? *c.clock : c.dayTime;
        displayFrame();

        std::vector<std::vector<unsigned char>> pictures;
        std::vector<double> angles, skyTurns;  // the clock in radians; the sky's turn in radians
        for (int frame = 0; frame < kFrames; ++frame) {
            displayFrame();
            pictures.push_back(picture());
            angles.push_back(*c.clock * (2 * kPi / c.turn));
            skyTurns.push_back(skyTurnDegrees() * kRadiansPerDegree);
        }

        int wrap = -1;  // the clock was wrapped in the step between angles[wrap] and angles[wrap + 1]
        for (int frame = 0; frame + 1 < kFrames; ++frame) {
            const double moved = (angles[frame + 1] - angles[frame]) * c.turn / (2 * kPi);
            if (std::fabs(moved - c.step) < 0.01 * std::fabs(c.step)) continue;
            EXPECT_EQ(wrap, -1) << "a second odd step after frame " << frame;
            wrap = frame;
            // Whole turns taken off, and the step made besides.
            EXPECT_NEAR(moved + (c.step > 0 ? bound : -bound), c.step, 0.01 * std::fabs(c.step));
        }
        ASSERT_EQ(wrap, 2) << "the clock should wrap in its fourth step";

        // Some clocks are drawn before their step and some after, so the wrap shows in the picture
        // either with it or one frame later: both pairs are held to the ordinary ones.
        auto acrossWrap = [wrap](int frame) { return frame == wrap || frame == wrap + 1; };
        long ordinary = 0;
        double ordinaryAngle = 0, ordinarySky = 0;
        for (int frame = 0; frame + 1 < kFrames; ++frame) {
            if (acrossWrap(frame)) continue;
            ordinary = std::max(ordinary, difference(pictures[frame], pictures[frame + 1]));
            ordinaryAngle = std::max(ordinaryAngle, angularStep(angles[frame], angles[frame + 1]));
            ordinarySky = std::max(ordinarySky, angularStep(skyTurns[frame], skyTurns[frame + 1]));
        }
        ASSERT_GT(ordinary, 0);
        for (int frame = wrap; frame <= wrap + 1; ++frame) {
            EXPECT_LE(difference(pictures[frame], pictures[frame + 1]), 2 * ordinary) << "frame " << frame;
            EXPECT_LE(angularStep(angles[frame], angles[frame + 1]), 2 * ordinaryAngle) << "frame " << frame;
            EXPECT_LE(angularStep(skyTurns[frame], skyTurns[frame + 1]), 2 * ordinarySky) << "frame " << frame;
        }
    }
}

TEST_F(ClockTest, StillTimeOfAnySizeIsWhereThatTimePutsTheSunAndSky) {
    // A thousand bounds on, where a float alone would hold the time only to 1/32.
    const double time = 1.2 + 1000 * kClockTurns * kRadianTurn;
    StillOptions options;
    options.time = time;
    applyStillOptions(options);
    EXPECT_LT(std::fabs(scene.dayTime), kClockTurns * kRadianTurn);
    EXPECT_LT(angularStep(scene.dayTime, time), 1e-6);
    EXPECT_LT(angularStep(skyTurnDegrees() * kRadiansPerDegree, 10 * time * kRadiansPerDegree), 1e-5);
}

}  // namespace
