// SPDX-License-Identifier: MIT
// texture_art.cpp - painting the twelve texture pictures.
//
// Every painter works in whole pixels with 16.16 fixed-point fractions (kOne == 1.0), so the
// result does not depend on floating-point rounding. Noise is value noise on an integer lattice
// whose period divides the picture, which makes every noise field wrap around both edges; the
// painters keep their regular patterns (bricks, panes, gores) on whole divisions of the picture
// for the same reason, so the textures repeat without seams under GL_REPEAT.
//
// Several pictures are stretched unevenly when they are mapped (a wall 63 units round and 20
// high gets a square picture), so their features are drawn pre-squashed; the notes on each
// painter give the scale in scene units per pixel.
#include "tools/texture_art.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kOne = 1 << 16;  // 1.0 in 16.16 fixed point

struct Rgb {
    int r, g, b;
};

struct Picture {
    int width;
    int height;
    std::vector<unsigned char> bgr;
};

// ---------------------------------------------------------------------------------------------
// Fixed-point helpers

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// v modulo period, always in [0, period).
int wrapInt(int v, int period) {
    const int r = v % period;
    return r < 0 ? r + period : r;
}

// Floor division for a positive divisor.
int floorDiv(int v, int d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }

// a + (b - a) * t with t in 16.16.
int lerpInt(int a, int b, int t) { return a + int((int64_t(b - a) * t) / kOne); }

// Smoothstep of a 16.16 fraction in [0, kOne].
int smoothFraction(int f) {
    const int64_t f2 = (int64_t(f) * f) >> 16;
    return int((f2 * (3 * int64_t(kOne) - 2 * int64_t(f))) >> 16);
}

// 0 at or below edge0, kOne at or above edge1, smooth in between (edge0 < edge1).
int ramp(int v, int edge0, int edge1) {
    if (v <= edge0) return 0;
    if (v >= edge1) return kOne;
    return smoothFraction(int(int64_t(v - edge0) * kOne / (edge1 - edge0)));
}

// Product of two 16.16 fractions.
int mulFraction(int a, int b) { return int((int64_t(a) * b) >> 16); }

// Bump of height kOne at distance 0 falling smoothly to 0 at distance `radius`: (1 - d^2/r^2)^2.
int bump(int distance, int radius) {
    if (distance < 0) distance = -distance;
    if (distance >= radius) return 0;
    const int q = kOne - int(int64_t(distance) * distance * kOne / (int64_t(radius) * radius));
    return mulFraction(q, q);
}

// Integer square root, rounded down.
int64_t isqrt(int64_t v) {
    if (v <= 0) return 0;
    int64_t r = 0;
    int64_t bit = int64_t(1) << 62;
    while (bit > v) bit >>= 2;
    while (bit != 0) {
        if (v >= r + bit) {
            v -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// Colour

Rgb mix(Rgb a, Rgb b, int t) { return {lerpInt(a.r, b.r, t), lerpInt(a.g, b.g, t), lerpInt(a.b, b.b, t)}; }

// Colour times a 16.16 factor.
Rgb scaled(Rgb c, int factor) { return {mulFraction(c.r, factor), mulFraction(c.g, factor), mulFraction(c.b, factor)}; }

// Colour with d added to every channel.
Rgb brighter(Rgb c, int d) { return {c.r + d, c.g + d, c.b + d}; }

Picture blankPicture(int width, int height) {
    return Picture{width, height, std::vector<unsigned char>(size_t(width) * size_t(height) * 3, 0)};
}

// Stores a colour, clamped to bytes, at (x, y) with y counted up from the bottom row.
void put(Picture& p, int x, int y, Rgb c) {
    unsigned char* px = &p.bgr[(size_t(y) * size_t(p.width) + size_t(x)) * 3];
    px[0] = static_cast<unsigned char>(clampInt(c.b, 0, 255));
    px[1] = static_cast<unsigned char>(clampInt(c.g, 0, 255));
    px[2] = static_cast<unsigned char>(clampInt(c.r, 0, 255));
}

// Colour at height y from a table of (height, colour) stops in rising order, linear between them.
struct ColourStop {
    int at;
    Rgb colour;
};

template <size_t N>
Rgb gradient(const ColourStop (&stops)[N], int y) {
    if (y <= stops[0].at) return stops[0].colour;
    for (size_t i = 1; i < N; ++i) {
        if (y <= stops[i].at) {
            const int t = int(int64_t(y - stops[i - 1].at) * kOne / (stops[i].at - stops[i - 1].at));
            return mix(stops[i - 1].colour, stops[i].colour, t);
        }
    }
    return stops[N - 1].colour;
}

// ---------------------------------------------------------------------------------------------
// Hashing, random numbers and noise

uint32_t mixBits(uint32_t h) {
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

// Well-stirred 32 bits for an integer point and a seed.
uint32_t hashPoint(int x, int y, uint32_t seed) {
    return mixBits(uint32_t(x) * 0x9e3779b1u + mixBits(uint32_t(y) ^ (seed * 0x85ebca77u)));
}

// splitmix64: the random source for placing craters, knots and patches.
struct Random {
    uint64_t state;
};

uint64_t nextRandom(Random& r) {
    uint64_t z = (r.state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

// Uniform integer in [lo, hi].
int randomIn(Random& r, int lo, int hi) { return lo + int((nextRandom(r) >> 33) % uint64_t(hi - lo + 1)); }

// One noise field: lattice spacing in pixels (a power of two dividing the picture), octaves, seed.
struct Noise {
    int cellX, cellY;
    int octaves;
    uint32_t seed;
};

// Value noise in [0, kOne) on a lattice of cellX x cellY pixels, wrapping every tileW x tileH.
int valueNoise(int x, int y, int cellX, int cellY, int tileW, int tileH, uint32_t seed) {
    const int ix = floorDiv(x, cellX), iy = floorDiv(y, cellY);
    const int fx = smoothFraction(int(int64_t(x - ix * cellX) * kOne / cellX));
    const int fy = smoothFraction(int(int64_t(y - iy * cellY) * kOne / cellY));
    const int periodX = tileW / cellX, periodY = tileH / cellY;
    const int x0 = wrapInt(ix, periodX), x1 = wrapInt(ix + 1, periodX);
    const int y0 = wrapInt(iy, periodY), y1 = wrapInt(iy + 1, periodY);
    const int a = int(hashPoint(x0, y0, seed) >> 16), b = int(hashPoint(x1, y0, seed) >> 16);
    const int c = int(hashPoint(x0, y1, seed) >> 16), d = int(hashPoint(x1, y1, seed) >> 16);
    return lerpInt(lerpInt(a, b, fx), lerpInt(c, d, fx), fy);
}

// Sum of octaves of value noise, each at half the spacing and half the weight of the one before.
// Result in [0, kOne), clustered around kOne / 2.
int fractalNoise(const Noise& n, int x, int y, int tileW, int tileH) {
    int64_t sum = 0, total = 0;
    int cellX = n.cellX, cellY = n.cellY;
    int weight = 1 << (n.octaves - 1);
    for (int i = 0; i < n.octaves; ++i) {
        sum += int64_t(weight) * valueNoise(x, y, cellX, cellY, tileW, tileH, n.seed + uint32_t(i) * 7919u);
        total += weight;
        weight >>= 1;
        if (cellX > 1) cellX >>= 1;
        if (cellY > 1) cellY >>= 1;
    }
    return int(sum / total);
}

int fractalAt(const Picture& p, const Noise& n, int x, int y) { return fractalNoise(n, x, y, p.width, p.height); }

// Signed offset in [-amplitude, amplitude] from a fractal field.
int noiseOffset(const Picture& p, const Noise& n, int x, int y, int amplitude) {
    return int(int64_t(fractalAt(p, n, x, y) - kOne / 2) * 2 * amplitude / kOne);
}

// Signed offset in [-amplitude, amplitude], different for every pixel (surface grain).
int pixelGrain(int x, int y, uint32_t seed, int amplitude) {
    return int(hashPoint(x, y, seed) % uint32_t(2 * amplitude + 1)) - amplitude;
}

// ---------------------------------------------------------------------------------------------
// 0: round building wall. 256 px round = 63 units (0.25 u/px), 256 px up = 20 units (0.08 u/px):
// everything is drawn about three times taller than wide. Six bays of windows on two floors,
// a door in the first bay, a stone plinth and a cornice.

constexpr int kWallBays = 6;
constexpr int kPlinthTop = 14;    // 1.1 units
constexpr int kCorniceBase = 243; // 19 units
constexpr int kWindowHalfWidth = 5;
struct WindowRow {
    int bottom, top;
};
constexpr WindowRow kWindowRows[2] = {{42, 88}, {140, 186}};
constexpr int kDoorTop = 80;

Rgb plasterAt(const Picture& p, int x, int y) {
    Rgb c = {214, 196, 160};
    c = brighter(c, noiseOffset(p, {32, 64, 4, 11}, x, y, 22));
    c = brighter(c, pixelGrain(x, y, 12, 4));
    // Rising damp: a darker, greyer band above the plinth with a ragged upper edge.
    const int dampTop = kPlinthTop + 12 + noiseOffset(p, {16, 256, 3, 13}, x, 0, 10);
    const int damp = kOne - ramp(y, kPlinthTop, dampTop);
    c = mix(c, Rgb{150, 146, 128}, damp / 2);
    return c;
}

// Rain streaks running down the plaster from a sill; `below` is pixels under the sill.
int sillStreak(const Picture& p, int x, int dx, int below) {
    if (below < 0 || below > 60 || dx < -7 || dx > 7) return 0;
    const int streak = ramp(valueNoise(x, 0, 2, 256, p.width, p.height, 14), kOne / 2, kOne);
    return mulFraction(streak, kOne - ramp(below, 0, 60)) * 12 / kOne;
}

Rgb stoneTrim(int x, int y, uint32_t seed) { return brighter(Rgb{184, 180, 170}, pixelGrain(x, y, seed, 5)); }

Rgb paintedFrame(int x, int y) { return brighter(Rgb{236, 233, 224}, pixelGrain(x, y, 15, 3)); }

Rgb glazing(int dx, int y, const WindowRow& row) {
    // Dark panes catching a little sky towards the top, with a faint diagonal sheen.
    const int up = int(int64_t(y - row.bottom) * kOne / (row.top - row.bottom));
    Rgb c = mix(Rgb{30, 38, 48}, Rgb{70, 86, 104}, up);
    const int sheen = bump((dx + kWindowHalfWidth) * 10 - (y - row.bottom), 12);
    return brighter(c, mulFraction(sheen, 40));
}

Rgb shutter(int dx, int y, const WindowRow& row) {
    const int edge = (dx == 6 || dx == -6 || dx == 10 || dx == -10 || y == row.bottom || y == row.top);
    Rgb c = {58, 96, 68};
    if ((y - row.bottom) % 4 == 0) c = scaled(c, kOne * 3 / 4);  // louvre slats
    return edge ? scaled(c, kOne * 2 / 3) : c;
}

Rgb doorAt(int dx, int y) {
    Rgb c = {112, 72, 42};
    if (dx == -2 || dx == 2) c = scaled(c, kOne * 2 / 3);  // gaps between boards
    if (y == 30 || y == 62) c = scaled(c, kOne * 3 / 4);   // ledges
    if (dx == 3 && y >= 44 && y <= 46) c = {40, 38, 36};   // handle
    return c;
}

void paintRoundWall(Picture& p) {
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const int bay = x * kWallBays / p.width;
            const int dx = x - (2 * bay + 1) * p.width / (2 * kWallBays);
            const int adx = std::abs(dx);
            Rgb c = plasterAt(p, x, y);

            if (y >= kCorniceBase) {
                c = stoneTrim(x, y, 16);
                if (y == kCorniceBase || y == kCorniceBase + 1) c = scaled(c, kOne * 3 / 4);
                if (y >= 251) c = brighter(c, 10);
            } else if (y < kPlinthTop) {
                c = brighter(Rgb{138, 130, 118}, noiseOffset(p, {8, 8, 3, 17}, x, y, 14));
                if (y == kPlinthTop - 1) c = brighter(c, 24);
                if (wrapInt(x, 16) == 8 || y == 6) c = scaled(c, kOne * 3 / 4);
            } else if (bay == 0 && y <= kDoorTop + 6 && adx <= 7) {
                if (y > kDoorTop || adx >= 6) c = stoneTrim(x, y, 18);
                else c = doorAt(dx, y);
            } else {
                c = brighter(c, -sillStreak(p, x, dx, kWindowRows[0].bottom - 5 - y));
                c = brighter(c, -sillStreak(p, x, dx, kWindowRows[1].bottom - 5 - y));
                for (const WindowRow& row : kWindowRows) {
                    if (bay == 0 && &row == &kWindowRows[0]) continue;  // the door takes this one
                    const bool inRows = y >= row.bottom && y <= row.top;
                    if (inRows && adx <= kWindowHalfWidth) {
                        const bool frame = adx == kWindowHalfWidth || y < row.bottom + 3 || y > row.top - 3;
                        const int middle = (row.bottom + row.top) / 2;
                        const bool bar = dx == 0 || (y >= middle - 1 && y <= middle);
                        c = (frame || bar) ? paintedFrame(x, y) : glazing(dx, y, row);
                    } else if (inRows && adx >= 6 && adx <= 10) {
                        c = shutter(dx, y, row);
                    } else if (adx <= 7 && y > row.top && y <= row.top + 6) {
                        c = stoneTrim(x, y, 19);  // lintel
                        if (y == row.top + 6) c = brighter(c, 14);
                    } else if (adx <= 7 && y < row.bottom && y >= row.bottom - 5) {
                        c = stoneTrim(x, y, 20);  // sill, lit on top, shadow beneath
                        if (y == row.bottom - 1) c = brighter(c, 16);
                        if (y == row.bottom - 5) c = scaled(c, kOne * 3 / 4);
                    } else if (adx <= 8 && (y == row.bottom - 6 || y == row.bottom - 7)) {
                        c = scaled(c, kOne * 4 / 5);
                    }
                }
            }
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 1: grass and earth. The whole picture covers the ground disk, 160 units across (0.6 u/px),
// so it is seen strongly magnified: soft mottling, bare patches and a track through the middle.

void paintGrass(Picture& p) {
    const Rgb darkGrass = {54, 88, 34}, lightGrass = {102, 138, 54}, dryGrass = {138, 136, 72};
    const Rgb earth = {116, 92, 62}, track = {146, 122, 88};
    for (int y = 0; y < p.height; ++y) {
        // The track winds up the picture through the centre, where the mill stands.
        const int trackX = p.width / 2 + noiseOffset(p, {256, 128, 2, 21}, 0, y, 48);
        for (int x = 0; x < p.width; ++x) {
            Rgb c = mix(darkGrass, lightGrass, ramp(fractalAt(p, {64, 64, 5, 22}, x, y), kOne / 4, kOne * 3 / 4));
            c = mix(c, dryGrass, ramp(fractalAt(p, {128, 128, 3, 23}, x, y), kOne / 2, kOne * 3 / 4) / 2);
            c = brighter(c, noiseOffset(p, {4, 4, 2, 24}, x, y, 10));
            c = brighter(c, pixelGrain(x, y, 25, 5));

            const int bare = ramp(fractalAt(p, {64, 64, 4, 26}, x, y), kOne * 58 / 100, kOne * 72 / 100) * 4 / 5;
            const Rgb soil = brighter(earth, noiseOffset(p, {8, 8, 3, 27}, x, y, 16));
            c = mix(c, soil, bare);

            const int fromTrack = std::abs(wrapInt(x - trackX + p.width / 2, p.width) - p.width / 2);
            const int halfWidth = 4 + noiseOffset(p, {16, 16, 2, 28}, x, y, 2);
            const int onTrack = kOne - ramp(fromTrack, halfWidth - 1, halfWidth + 2);
            Rgb dirt = brighter(track, noiseOffset(p, {4, 8, 3, 29}, x, y, 14));
            if (fromTrack == 2) dirt = scaled(dirt, kOne * 7 / 8);  // wheel ruts
            c = mix(c, dirt, onTrack);
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 2: stone masonry for the tower shaft: about 25 units round (0.1 u/px) and 10 up (0.04 u/px).
// Eight courses of twelve dressed blocks, alternate courses offset by half a block.

constexpr int kMasonryCourses = 8, kMasonryBlocks = 12;

void paintMasonry(Picture& p) {
    const int courseHeight = p.height / kMasonryCourses;
    for (int y = 0; y < p.height; ++y) {
        const int ys = wrapInt(y + courseHeight / 2, p.height);
        const int course = ys / courseHeight, ly = ys % courseHeight;
        const int shift = (course % 2) ? p.width / (2 * kMasonryBlocks) : 0;
        for (int x = 0; x < p.width; ++x) {
            const int xs = wrapInt(x + shift + 5, p.width);
            const int block = xs * kMasonryBlocks / p.width;
            const int left = (block * p.width + kMasonryBlocks - 1) / kMasonryBlocks;
            const int right = ((block + 1) * p.width + kMasonryBlocks - 1) / kMasonryBlocks - 1;
            const int dl = xs - left, dr = right - xs;
            // Slightly ragged arrises: the joints wander by a pixel.
            const int jointH = 3 + (valueNoise(x, course, 8, 1, p.width, kMasonryCourses, 31) > kOne * 4 / 5);
            const int jointV = 2 + (valueNoise(block, y, 1, 8, kMasonryBlocks, p.height, 32) > kOne * 4 / 5);

            Rgb c;
            if (ly < jointH || dl < jointV) {
                c = brighter(Rgb{118, 112, 102}, noiseOffset(p, {4, 4, 2, 33}, x, y, 10));
                if (ly == jointH - 1 || dl == jointV - 1) c = scaled(c, kOne * 4 / 5);
            } else {
                const uint32_t h = hashPoint(block, course, 34);
                Rgb stone = {168, 158, 140};
                stone = brighter(stone, int(h % 37) - 18);
                if ((h >> 8) % 4 == 0) stone = mix(stone, Rgb{176, 150, 116}, kOne / 3);  // warmer stone
                if ((h >> 8) % 4 == 1) stone = mix(stone, Rgb{140, 140, 138}, kOne / 3);  // greyer stone
                c = brighter(stone, noiseOffset(p, {16, 32, 4, 35 + h % 5}, x, y, 22));
                c = brighter(c, pixelGrain(x, y, 36, 5));
                c = mix(c, Rgb{96, 104, 80}, ramp(fractalAt(p, {32, 64, 3, 37}, x, y), kOne * 64 / 100, kOne * 74 / 100) / 2);
                if (ly - jointH < 2) c = scaled(c, kOne * 7 / 8);
                if (ly >= courseHeight - 3) c = brighter(c, 12);
                if (dl - jointV < 2) c = brighter(c, 6);
                if (dr < 2) c = scaled(c, kOne * 9 / 10);
            }
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 3: weathered wood planks running along s: eight planks, each made of two boards butted end to
// end with nailed joints, grain and knots, greyed by the weather.

constexpr int kPlanks = 8;

struct PlankLayout {
    int joint[2];  // x of the two butt joints in each plank
};

void paintPlanks(Picture& p) {
    const int plankHeight = p.height / kPlanks;
    Random rng{3};
    PlankLayout layout[kPlanks];
    for (PlankLayout& l : layout) {
        l.joint[0] = randomIn(rng, 0, p.width - 1);
        l.joint[1] = wrapInt(l.joint[0] + randomIn(rng, 90, 166), p.width);
    }
    for (int y = 0; y < p.height; ++y) {
        const int ys = wrapInt(y + plankHeight / 2, p.height);
        const int plank = ys / plankHeight, ly = ys % plankHeight;
        const PlankLayout& l = layout[plank];
        for (int x = 0; x < p.width; ++x) {
            const int fromFirst = wrapInt(x - l.joint[0], p.width);
            const int board = fromFirst < wrapInt(l.joint[1] - l.joint[0], p.width) ? 0 : 1;
            const uint32_t seed = uint32_t(40 + plank * 2 + board);

            // Grain: growth rings running along the board and wandering with low-frequency noise,
            // each a band of light early wood darkening into a thin line of late wood.
            const int spacing = 256 * (5 + int(hashPoint(plank, board, 45) % 4));  // 1/256 px
            const int wander = noiseOffset(p, {64, 32, 2, seed}, x, y, 8 * 256);
            const int ring = int(int64_t(wrapInt(y * 256 + wander, spacing)) * kOne / spacing);
            const int late = ramp(ring, kOne * 55 / 100, kOne * 92 / 100);
            Rgb wood = brighter(Rgb{138, 106, 74}, int(hashPoint(plank, board, 41) % 25) - 12);
            wood = mix(wood, Rgb{80, 58, 40}, mulFraction(late, kOne * 7 / 10));
            wood = brighter(wood, noiseOffset(p, {32, 1, 2, seed + 100}, x, y, 8));

            // Weathering greys the boards unevenly.
            const int weather = kOne * 35 / 100 + ramp(fractalAt(p, {128, 16, 3, 42}, x, y), kOne / 3, kOne * 2 / 3) * 45 / 100;
            Rgb c = mix(wood, Rgb{150, 146, 136}, weather);
            c = brighter(c, pixelGrain(x, y, 43, 4));

            // A knot on some boards.
            const uint32_t k = hashPoint(plank, board, 44);
            if (k % 7 == 0) {
                const int kx = wrapInt(l.joint[board] + 20 + int(k >> 8) % 60, p.width);
                const int ky = 8 + int(k >> 16) % 16;
                const int ddx = std::abs(wrapInt(x - kx + p.width / 2, p.width) - p.width / 2);
                const int64_t d2 = int64_t(ddx) * ddx * 4 + int64_t(ly - ky) * (ly - ky) * 16;
                if (d2 < 300) c = mix(c, Rgb{72, 52, 38}, kOne - ramp(int(d2), 20, 300));
                if (d2 >= 300 && d2 < 600) c = brighter(c, -mulFraction(bump(int(d2) - 420, 140), 24));
            }

            if (ly < 2) c = {42, 34, 28};                                       // gap between planks
            else if (ly < 4 || ly >= plankHeight - 2) c = scaled(c, kOne * 4 / 5);  // worn edges
            for (int j : l.joint) {
                const int dj = wrapInt(x - j + 2, p.width);
                if (dj < 2 && ly >= 2) c = {48, 40, 32};  // butt joint
                const bool nail = (dj == 5 || dj == p.width - 3) && (ly == 9 || ly == 25);
                if (nail) c = {62, 58, 54};
            }
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 4: lantern glazing. Drawn with additive blending, so dark means see-through: near-black panes
// with faint reflections between light grey-blue mullions. 8 panes round (25 units, 0.1 u/px)
// and 2 up (3 units, 0.012 u/px), hence horizontal bars far thicker in pixels than vertical.

constexpr int kPanesAcross = 8, kPanesUp = 2;

void paintGlazing(Picture& p) {
    const int paneW = p.width / kPanesAcross, paneH = p.height / kPanesUp;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const int lx = wrapInt(x + paneW / 2, p.width) % paneW;  // mullions at mid-picture phase
            const int ly = y % paneH;
            const int dv = std::min(lx, paneW - lx);  // pixels to the nearest vertical mullion
            const int dh = std::min(ly, paneH - ly);  // pixels to the nearest horizontal bar
            Rgb c;
            if (dv <= 1 || dh <= 8) {
                // Bars are rounded: brightest along the middle, darker at the edge.
                const int across = dv <= 1 ? bump(dv, 3) : bump(dh, 10);
                c = mix(Rgb{96, 104, 120}, Rgb{196, 206, 222}, across);
            } else {
                const int pane = (x + paneW / 2) / paneW + (y / paneH) * kPanesAcross;
                c = brighter(Rgb{8, 11, 18}, int(hashPoint(pane, 0, 50) % 6));
                c.b += ly * 10 / paneH;
                // Two diagonal streaks of reflected light across each pane.
                const int q = lx * 8 - ly;
                c = brighter(c, mulFraction(bump(q - 70, 18), 34) + mulFraction(bump(q - 120, 7), 22));
            }
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 5: polished metal for the lamp reflector: spun silver, fine rings along s, broad reflections
// of the surroundings and a few sharp highlights across it.

void paintMetal(Picture& p) {
    struct Highlight {
        int x, halfWidth, strength;
    };
    const Highlight highlights[] = {{40, 6, 80}, {138, 16, 70}, {210, 4, 90}};
    for (int y = 0; y < p.height; ++y) {
        const int rings = noiseOffset(p, {128, 2, 2, 60}, 0, y, 10) + pixelGrain(0, y, 61, 3);
        for (int x = 0; x < p.width; ++x) {
            int level = 80 + ramp(fractalAt(p, {64, 256, 3, 62}, x, y), kOne * 3 / 10, kOne * 7 / 10) * 150 / kOne;  // reflected surroundings
            level += y * 24 / p.height;
            for (const Highlight& h : highlights) {
                const int d = wrapInt(x - h.x + p.width / 2, p.width) - p.width / 2;
                level += mulFraction(bump(d, h.halfWidth), h.strength);
            }
            level += rings + noiseOffset(p, {16, 1, 1, 63}, x, y, 4);
            put(p, x, y, Rgb{level - 2, level, level + 6});
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 6: test pattern: grey checkerboard, a strip of colour bars across the middle, tick marks every
// 16 pixels along the bottom and left edges, and coloured corners showing which way s and t run:
// red at the origin, green along s, blue along t.

void paintTestPattern(Picture& p) {
    const Rgb bars[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                         {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    const int square = p.width / 8;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            Rgb c = ((x / square + y / square) % 2) ? Rgb{160, 160, 160} : Rgb{96, 96, 96};
            if (y >= p.height / 2 - 16 && y < p.height / 2 + 16) c = bars[x * 8 / p.width];
            const int tickX = (x % 64 == 0) ? 12 : (x % 16 == 0 ? 6 : 0);
            const int tickY = (y % 64 == 0) ? 12 : (y % 16 == 0 ? 6 : 0);
            if (y < tickX || x < tickY) c = {0, 0, 0};
            const bool right = x >= p.width - 16, top = y >= p.height - 16;
            if (x >= 16 && x < 32 && y >= 16 && y < 32) c = {255, 0, 0};
            if (right && y >= 16 && y < 32) c = {0, 255, 0};
            if (top && x >= 16 && x < 32) c = {0, 0, 255};
            if (right && top) c = {255, 255, 255};
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 7: sail canvas, repeating both ways (the sail repeats it many times along its lower edge):
// cream cloth with a soft weave, doubled seams along s with two rows of stitches, and patches.

struct Patch {
    int x, y, w, h;
};

bool stitchAt(int along, int seed) { return wrapInt(along + seed, 6) < 4; }

void paintCanvas(Picture& p) {
    const int seamSpacing = p.height / 4;
    Random rng{7};
    Patch patches[2];
    for (Patch& pt : patches) pt = {randomIn(rng, 0, p.width - 1), randomIn(rng, 0, p.height - 1), randomIn(rng, 48, 72), randomIn(rng, 28, 40)};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            Rgb c = {230, 222, 198};
            c = brighter(c, (((x >> 1) + (y >> 1)) & 1) ? 3 : -3);       // weave
            c = brighter(c, noiseOffset(p, {64, 1, 1, 70}, x, y, 5));     // uneven weft threads
            c = brighter(c, noiseOffset(p, {1, 64, 1, 71}, x, y, 4));     // uneven warp threads
            c = mix(c, Rgb{196, 178, 140}, ramp(fractalAt(p, {64, 64, 4, 72}, x, y), kOne / 2, kOne * 3 / 4) / 3);  // stains

            for (const Patch& pt : patches) {
                const int px = wrapInt(x - pt.x, p.width), py = wrapInt(y - pt.y, p.height);
                if (px >= pt.w || py >= pt.h) continue;
                c = brighter(mix(c, Rgb{220, 210, 184}, kOne / 3), -3);
                const bool edgeX = px == 2 || px == pt.w - 3, edgeY = py == 2 || py == pt.h - 3;
                if ((edgeX && stitchAt(py, 0) && py >= 2 && py <= pt.h - 3) ||
                    (edgeY && stitchAt(px, 0) && px >= 2 && px <= pt.w - 3))
                    c = {150, 132, 100};
                if (px == 0 || py == 0) c = scaled(c, kOne * 9 / 10);
            }

            const int ls = wrapInt(y - seamSpacing / 2 + 4, seamSpacing);  // seams off the picture edge
            if (ls < 8) {
                c = brighter(c, -10);  // the doubled cloth of the seam
                if ((ls == 1 || ls == 6) && stitchAt(x, ls)) c = {156, 138, 104};
                if (ls == 0 || ls == 7) c = brighter(c, -8);
            }
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 8: the sky, on the inside of a sphere: s round, t from the lower pole (first row) to the upper.
// Dim haze below the horizon (mostly hidden by the ground), pale at the horizon, deepening blue
// overhead, and soft cumulus in a band above the horizon thinning out before the zenith.

void paintSky(Picture& p) {
    const int horizon = p.height / 2;
    const ColourStop sky[] = {
        {0, {52, 58, 70}},           {horizon - 10, {140, 156, 172}}, {horizon, {206, 220, 232}},
        {horizon + 24, {160, 194, 230}}, {horizon + 80, {88, 142, 214}},  {p.height - 1, {40, 88, 182}}};
    const Noise clouds = {64, 32, 5, 80};
    for (int y = 0; y < p.height; ++y) {
        const int band = mulFraction(ramp(y, horizon + 6, horizon + 34), kOne - ramp(y, horizon + 78, horizon + 112));
        for (int x = 0; x < p.width; ++x) {
            Rgb c = gradient(sky, y);
            if (band > 0) {
                // Outside the band the threshold rises, so clouds shrink away rather than fade.
                const int raw = fractalAt(p, clouds, x, y);
                const int cover = ramp(raw - (kOne - band) * 3 / 10, kOne * 48 / 100, kOne * 57 / 100);
                // Lit from above: puffs are bright where the density falls away upwards, and
                // a point with a lot of cloud over it sits in the cloud's own shade.
                const int slope = (raw - fractalAt(p, clouds, x, y + 3)) * 8;
                const int shade = ramp(fractalAt(p, clouds, x, y + 10), kOne * 50 / 100, kOne * 66 / 100) * 4 / 10;
                const int light = clampInt(kOne * 7 / 10 + slope - shade, 0, kOne);
                const Rgb cloud = mix(Rgb{150, 160, 180}, Rgb{252, 252, 250}, light);
                c = mix(c, cloud, cover);
            }
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 9: the moon's face, equirectangular (s round, t pole to pole): grey highlands, darker maria
// and craters with bright rims. Craters are widened towards the poles as the map stretches there.

struct Crater {
    int x, y, radius, depth;
    bool rays;
};

// Cosine of the latitude of row y, 16.16, from the rational fit 4(1 - u^2) / (4 + u^2), u in [-1, 1].
int latitudeCosine(int y, int height) {
    const int64_t u = int64_t(2 * y + 1 - height) * kOne / height;
    const int64_t u2 = (u * u) >> 16;
    return int(4 * (kOne - u2) * kOne / (4 * int64_t(kOne) + u2));
}

void paintMoon(Picture& p) {
    Random rng{9};
    std::vector<Crater> craters;
    for (int i = 0; i < 90; ++i) {
        const int size = randomIn(rng, 0, 99);
        const int radius = size < 60 ? randomIn(rng, 2, 4) : (size < 90 ? randomIn(rng, 5, 9) : randomIn(rng, 10, 16));
        craters.push_back({randomIn(rng, 0, p.width - 1), randomIn(rng, 24, p.height - 25), radius,
                           randomIn(rng, 10, 22), size % 23 == 0});
    }
    for (int y = 0; y < p.height; ++y) {
        const int cosLat = std::max(latitudeCosine(y, p.height), kOne / 16);
        for (int x = 0; x < p.width; ++x) {
            Rgb c = brighter(Rgb{168, 166, 160}, noiseOffset(p, {32, 32, 4, 90}, x, y, 18));
            const int mare = ramp(fractalAt(p, {64, 64, 4, 91}, x, y), kOne * 52 / 100, kOne * 66 / 100) * 4 / 5;
            c = mix(c, brighter(Rgb{108, 108, 110}, noiseOffset(p, {16, 16, 2, 92}, x, y, 8)), mare);
            c = brighter(c, pixelGrain(x, y, 93, 4));

            int shade = 0;
            for (const Crater& k : craters) {
                const int dy = y - k.y;
                const int reach = k.rays ? 3 * k.radius : 2 * k.radius;
                if (std::abs(dy) > reach) continue;
                const int dx = wrapInt(x - k.x + p.width / 2, p.width) - p.width / 2;
                // Map distance to the sphere: horizontal offsets shrink with the latitude cosine.
                const int64_t sx = int64_t(dx) * cosLat;  // 16.16 pixels
                const int64_t sy = int64_t(dy) * kOne;
                const int d = int(isqrt(sx * sx + sy * sy) / k.radius);  // 16.16, 1.0 at the rim
                if (d >= 3 * kOne) continue;
                if (d < kOne * 9 / 10) {
                    // Bowl: floor darker, wall facing the light (upper left) shadowed.
                    const int side = int((sy - sx) / 2 / k.radius);
                    shade -= k.depth / 2 + mulFraction(k.depth, mulFraction(side, d));
                } else if (d < kOne * 13 / 10) {
                    shade += mulFraction(bump(d - kOne * 11 / 10, kOne / 5), k.depth / 2);
                } else if (k.rays || d < 2 * kOne) {
                    const int halo = kOne - ramp(d, kOne * 13 / 10, k.rays ? 3 * kOne : 2 * kOne);
                    shade += mulFraction(halo, k.rays ? k.depth / 2 : k.depth / 6);
                }
            }
            put(p, x, y, brighter(c, shade));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 10: brick for the square tower; one picture covers 10 x 10 units (0.04 u/px both ways).
// Red-brown bricks four across in running bond, twelve courses, recessed mortar joints.

constexpr int kBrickCourses = 12, kBricksAcross = 4;

void paintBrick(Picture& p) {
    const int brickW = p.width / kBricksAcross;
    for (int y = 0; y < p.height; ++y) {
        const int ys = wrapInt(y + 10, p.height);  // joints kept off the picture edge
        const int course = ys * kBrickCourses / p.height;
        const int bottom = (course * p.height + kBrickCourses - 1) / kBrickCourses;
        const int top = ((course + 1) * p.height + kBrickCourses - 1) / kBrickCourses - 1;
        const int ly = ys - bottom;
        for (int x = 0; x < p.width; ++x) {
            const int xs = wrapInt(x + brickW / 4 + ((course % 2) ? brickW / 2 : 0), p.width);
            const int brick = xs / brickW, lx = xs % brickW;
            const bool chipped = valueNoise(x, y, 2, 2, p.width, p.height, 100) > kOne * 84 / 100;
            Rgb c;
            if (ly < 3 || lx < 3 || (chipped && (ly < 5 || lx < 5 || lx > brickW - 3 || ys > top - 2))) {
                c = brighter(Rgb{172, 166, 154}, noiseOffset(p, {4, 4, 2, 101}, x, y, 12));
                if (ly == 2 || ly == 1) c = scaled(c, kOne * 4 / 5);  // shadow under the brick above
            } else {
                const uint32_t h = hashPoint(brick, course, 102);
                Rgb b = {152, 64, 46};
                if (h % 7 == 0) b = {112, 52, 48};          // over-fired, darker
                else if (h % 7 == 1) b = {176, 90, 58};     // under-fired, orange
                b = brighter(b, int((h >> 8) % 21) - 10);
                c = brighter(b, noiseOffset(p, {8, 8, 3, 103 + h % 4}, x, y, 12));
                c = brighter(c, pixelGrain(x, y, 104, 6));
                if (ys == top) c = brighter(c, 14);  // top arris catching the light
                if (ly == 3) c = scaled(c, kOne * 7 / 8);
            }
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// 11: the balloon envelope: twelve gores of alternating colour (s round), each bulging between
// its seams, a decorated band above the equator, a dark crown at the top and the skirt below.

constexpr int kGores = 12;

void paintBalloon(Picture& p) {
    const Rgb goreColours[4] = {{206, 40, 36}, {240, 196, 40}, {36, 78, 186}, {236, 234, 226}};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const int xs = wrapInt(x + 10, p.width);  // gore seams kept off the picture edge
            const int gore = xs * kGores / p.width;
            const int across = (xs * kGores) % p.width - p.width / 2;  // -128 .. 127 within the gore
            Rgb c = goreColours[gore % 4];
            c = scaled(c, kOne - int(int64_t(across) * across * kOne / (p.width * p.width / 4)) * 18 / 100);
            c = brighter(c, noiseOffset(p, {8, 8, 2, 110}, x, y, 4));
            if (across < -p.width / 2 + 12 || across > p.width / 2 - 12) c = scaled(c, kOne * 7 / 10);  // seam tape

            if (y >= 150 && y < 168) {
                c = {28, 36, 88};
                const int zig = 152 + std::abs(wrapInt(x, 16) - 8) * 13 / 8;
                if (std::abs(y - zig) <= 1) c = {232, 182, 52};
                if (y == 150 || y == 167) c = {232, 182, 52};
            }
            if (y >= p.height - 14) c = scaled(Rgb{82, 70, 62}, kOne - (y - (p.height - 14)) * kOne / 40);
            if (y < 18) {
                c = brighter(Rgb{150, 120, 82}, noiseOffset(p, {8, 4, 2, 111}, x, y, 8));  // skirt
                if (y == 17 || wrapInt(x, 8) == 0) c = scaled(c, kOne * 3 / 4);
            }
            put(p, x, y, c);
        }
    }
}

// ---------------------------------------------------------------------------------------------

struct PictureEntry {
    const char* name;
    int width, height;
    void (*paint)(Picture&);
};

const PictureEntry kPictures[kTextureCount] = {
    {"round building wall", 256, 256, paintRoundWall},
    {"grass and earth", 256, 256, paintGrass},
    {"stone masonry", 256, 256, paintMasonry},
    {"weathered wood planks", 256, 256, paintPlanks},
    {"lantern glazing", 256, 256, paintGlazing},
    {"polished metal", 256, 256, paintMetal},
    {"test pattern", 256, 256, paintTestPattern},
    {"sail canvas", 256, 256, paintCanvas},
    {"sky", 512, 256, paintSky},
    {"moon", 256, 256, paintMoon},
    {"brick", 256, 256, paintBrick},
    {"balloon envelope", 256, 256, paintBalloon},
};

bool validIndex(int index) { return index >= 0 && index < kTextureCount; }

}  // namespace

const char* textureName(int index) { return validIndex(index) ? kPictures[index].name : nullptr; }

std::string textureFileName(int index) {
    return validIndex(index) ? std::to_string(index) + "textur.dib" : std::string();
}

bool paintTexture(int index, int* width, int* height, std::vector<unsigned char>& bgrPixels) {
    if (!validIndex(index)) return false;
    const PictureEntry& entry = kPictures[index];
    Picture picture = blankPicture(entry.width, entry.height);
    entry.paint(picture);
    *width = picture.width;
    *height = picture.height;
    bgrPixels = std::move(picture.bgr);
    return true;
}
