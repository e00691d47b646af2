// SPDX-License-Identifier: MIT
// gl_records.cpp - the state a vertex is transformed and lit with, captured as records for the
// vertex shader.
//
// Four tables, one record a row (gl_backend.h gives their widths; shaders.h reads them):
//   model-view   the model-view matrix (texels 0-3, by column), the normal matrix (texels 4-6,
//                xyz, by column; the inverse transpose of the upper 3 x 3) and GL_NORMALIZE
//                (texel 4's w); the vertex's row number carries GL_NORMALIZE too, and whether
//                the normal matrix is the upper 3 x 3 (then the shader reads it from there)
//   projection   the projection matrix (texels 0-3) and the texture matrix (texels 4-7); the
//                vertex's row number carries whether the texture matrix is the identity
//   lights       texel 0: the scene ambient (rgb) and, in w, two-sided + 2 local viewer +
//                4 the number of lights; then 6 texels for each enabled light that is not all
//                black, in order: ambient (w: spot exponent), diffuse (w: cos of the cut-off, or
//                -2 for 180), specular, the position (a directional light: its unit direction,
//                w 0), the unit spot direction, and the constant, linear and quadratic
//                attenuation (a directional light: the infinite viewer's unit half vector)
//   material     front then back: ambient, diffuse, specular (w: shininess), emission
// A call that changes what a record holds marks it stale (recordChanged); the next vertex then
// gets a new row, written at the next place of the table. Rows are handed out afresh each frame
// in the order the program's calls ask for them, so a program that makes the same calls frame
// after frame names the same rows for the same geometry, and only rows whose contents differ
// from the last frame's are uploaded. Each row is written over the table's copy and compared
// with it as it is written.
#include <cmath>
#include <cstring>

#include "web/gl/gl_state.h"

namespace {

struct Table {
    float* texels = nullptr;  // kRecordRows rows of kRecordWidth texels
    int next = 0;             // the next row to hand out this frame
    int used = 0;             // rows ever written (what a new context needs)
    Range changed;            // rows written with new contents since the last draw
};
Table tables[kRecordTables];

float* rowBuffer(RecordTable t) {
    Table& table = tables[t];
    if (!table.texels) table.texels = new float[size_t(kRecordRows[t]) * kRecordWidth[t] * 4]();
    return table.texels;
}

// Writes `row` (kRecordWidth[t] texels) at the table's next place; returns the row's index.
unsigned short putRow(RecordTable t, const float* row) {
    Table& table = tables[t];
    float* texels = rowBuffer(t);
    const int index = table.next++;
    const size_t bytes = size_t(kRecordWidth[t]) * 4 * sizeof(float);
    float* place = texels + size_t(index) * kRecordWidth[t] * 4;
    if (memcmp(place, row, bytes) != 0) {
        memcpy(place, row, bytes);
        if (table.changed.begin == table.changed.end) table.changed = Range{index, index + 1};
        else {
            if (index < table.changed.begin) table.changed.begin = index;
            if (index + 1 > table.changed.end) table.changed.end = index + 1;
        }
    }
    if (table.next > table.used) table.used = table.next;
    return static_cast<unsigned short>(index);
}

void put4(float* to, const float* from) {
    memcpy(to, from, 4 * sizeof(float));
}

void updateNormalMatrix() {
    if (glState.normalMatrixValid) return;
    const float* m = glState.modelView[glState.modelViewDepth - 1].m;
    // a = upper 3 x 3 (row r, column c at m[c * 4 + r]); the normal matrix is its inverse transposed.
    const float a00 = m[0], a01 = m[4], a02 = m[8];
    const float a10 = m[1], a11 = m[5], a12 = m[9];
    const float a20 = m[2], a21 = m[6], a22 = m[10];
    const float c00 = a11 * a22 - a12 * a21, c01 = a12 * a20 - a10 * a22, c02 = a10 * a21 - a11 * a20;
    const float c10 = a02 * a21 - a01 * a22, c11 = a00 * a22 - a02 * a20, c12 = a01 * a20 - a00 * a21;
    const float c20 = a01 * a12 - a02 * a11, c21 = a02 * a10 - a00 * a12, c22 = a00 * a11 - a01 * a10;
    const float det = a00 * c00 + a01 * c01 + a02 * c02;
    const float s = det != 0 ? 1 / det : 0;
    // (A^-1)^T has the cofactors at their own places: entry (r, c) = c_rc / det.
    float* n = glState.normalMatrix;
    n[0] = c00 * s, n[3] = c01 * s, n[6] = c02 * s;
    n[1] = c10 * s, n[4] = c11 * s, n[7] = c12 * s;
    n[2] = c20 * s, n[5] = c21 * s, n[8] = c22 * s;
    glState.normalMatrixValid = true;
}

// Whether the normal matrix is the upper 3 x 3 itself, as for a rotation, or a multiple of it
// that GL_NORMALIZE takes away (a rotation and a uniform scale): the shader then need not read it.
bool normalMatrixIsUpper(const float* m) {
    double g[3][3];
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) g[a][b] = double(m[a * 4]) * m[b * 4] + double(m[a * 4 + 1]) * m[b * 4 + 1] +
                                              double(m[a * 4 + 2]) * m[b * 4 + 2];
    const double scale = glState.normalize ? g[0][0] : 1.0;  // the columns' squared length
    if (scale <= 0) return false;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            if (std::fabs(g[a][b] - (a == b ? scale : 0.0)) > 1e-6 * scale) return false;
    return true;
}

// The row, with GL_NORMALIZE in bit 15 and "the normal matrix is the upper 3 x 3" in bit 14.
unsigned short modelViewRecord() {
    float row[kRecordWidth[kModelViewTable] * 4] = {};
    const float* m = glState.modelView[glState.modelViewDepth - 1].m;
    memcpy(row, m, 16 * sizeof(float));
    updateNormalMatrix();
    for (int column = 0; column < 3; ++column)
        for (int k = 0; k < 3; ++k) row[16 + column * 4 + k] = glState.normalMatrix[column * 3 + k];
    row[19] = glState.normalize ? 1.0f : 0.0f;
    return static_cast<unsigned short>(putRow(kModelViewTable, row) | (glState.normalize ? kNormalizeBit : 0) |
                                       (normalMatrixIsUpper(m) ? kUpperNormalBit : 0));
}

// The row, with "the texture matrix is the identity" in bit 15.
unsigned short projectionRecord() {
    float row[kRecordWidth[kProjectionTable] * 4] = {};
    memcpy(row, glState.projection[glState.projectionDepth - 1].m, 16 * sizeof(float));
    const float* t = glState.texture[glState.textureDepth - 1].m;
    memcpy(row + 16, t, 16 * sizeof(float));
    bool identity = true;
    for (int i = 0; i < 16; ++i) identity = identity && t[i] == (i % 5 == 0 ? 1.0f : 0.0f);
    return static_cast<unsigned short>(putRow(kProjectionTable, row) | (identity ? kIdentityTextureBit : 0));
}

unsigned short lightsRecord() {
    float row[kRecordWidth[kLightsTable] * 4] = {};
    int count = 0;
    for (const Light& l : glState.lights) {
        if (!l.enabled || l.dark) continue;
        float* t = row + 4 + count * 6 * 4;
        put4(t, l.ambient), t[3] = l.spotExponent;
        put4(t + 4, l.diffuse), t[7] = l.spotCutoff == 180 ? -2.0f : l.spotCosCutoff;
        put4(t + 8, l.specular), t[11] = 0;
        if (l.position[3] != 0) {
            put4(t + 12, l.position);
            t[20] = l.constantAttenuation, t[21] = l.linearAttenuation, t[22] = l.quadraticAttenuation;
        } else {
            memcpy(t + 12, l.direction, 3 * sizeof(float)), t[15] = 0;
            memcpy(t + 20, l.halfVector, 3 * sizeof(float));
        }
        memcpy(t + 16, l.spotUnit, 3 * sizeof(float));
        ++count;
    }
    put4(row, glState.lightModelAmbient);
    row[3] = float((glState.twoSided ? 1 : 0) + (glState.localViewer ? 2 : 0) + 4 * count);
    return putRow(kLightsTable, row);
}

unsigned short materialRecord() {
    float row[kRecordWidth[kMaterialTable] * 4] = {};
    for (int side = 0; side < 2; ++side) {
        const Material& m = glState.materials[side];
        float* t = row + side * 16;
        put4(t, m.ambient);
        put4(t + 4, m.diffuse);
        put4(t + 8, m.specular), t[11] = m.shininess;
        put4(t + 12, m.emission);
    }
    return putRow(kMaterialTable, row);
}

}  // namespace

void recordChanged(RecordTable table) {
    glState.recordStale[table] = true;
    glState.vertexStateValid = false;
}

void currentRecords() {
    bool* stale = glState.recordStale;
    unsigned short* rows = glState.recordRow;
    if (stale[kModelViewTable]) rows[kModelViewTable] = modelViewRecord(), stale[kModelViewTable] = false;
    if (stale[kProjectionTable]) rows[kProjectionTable] = projectionRecord(), stale[kProjectionTable] = false;
    if (glState.lighting) {
        if (stale[kLightsTable]) rows[kLightsTable] = lightsRecord(), stale[kLightsTable] = false;
        if (stale[kMaterialTable]) rows[kMaterialTable] = materialRecord(), stale[kMaterialTable] = false;
    }
    unsigned short* state = glState.vertexState;
    state[0] = rows[kModelViewTable];
    state[1] = rows[kProjectionTable];
    state[2] = glState.lighting ? rows[kLightsTable] : kUnlit;
    state[3] = glState.lighting ? rows[kMaterialTable] : 0;
    glState.vertexStateValid = true;
}

bool recordsHaveRoom() {
    for (int t = 0; t < kRecordTables; ++t)
        if (tables[t].next + 1 > kRecordRows[t]) return false;
    return true;
}

// A new frame: rows are handed out from the top again, and every record is made anew when the
// next vertex needs it.
void restartRecords() {
    for (Table& t : tables) t.next = 0;
    for (bool& stale : glState.recordStale) stale = true;
    glState.vertexStateValid = false;
}

const float* recordTable(RecordTable table) {
    return rowBuffer(table);
}

int recordRowsUsed(RecordTable table) {
    return tables[table].used;
}

Range takeChangedRows(RecordTable table) {
    const Range r = tables[table].changed;
    tables[table].changed = Range{};
    return r;
}

// The tables started again while a primitive was under way: the vertices it still needs get
// copies of their rows at the new top, before anything else is written there.
void carryRecords(BatchVertex* const* kept, int count) {
    for (int t = 0; t < kRecordTables; ++t) {
        const size_t texels = size_t(kRecordWidth[t]) * 4;
        unsigned short from[4], to[4];
        int carried = 0;
        float saved[4][kRecordWidth[kLightsTable] * 4];
        for (int i = 0; i < count; ++i) {
            const unsigned short row = kept[i]->state[t] & kRowMask[t];
            if (t == kLightsTable && kept[i]->state[t] == kUnlit) continue;
            int k = 0;
            while (k < carried && from[k] != row) ++k;
            if (k == carried) {
                from[k] = row;
                memcpy(saved[k], rowBuffer(RecordTable(t)) + size_t(row) * texels, texels * sizeof(float));
                ++carried;
            }
        }
        for (int k = 0; k < carried; ++k) to[k] = putRow(RecordTable(t), saved[k]);
        for (int i = 0; i < count; ++i) {
            unsigned short& state = kept[i]->state[t];
            if (t == kLightsTable && state == kUnlit) continue;
            for (int k = 0; k < carried; ++k)
                if (from[k] == (state & kRowMask[t])) {
                    state = static_cast<unsigned short>(to[k] | (state & ~kRowMask[t]));
                    break;
                }
        }
    }
}
