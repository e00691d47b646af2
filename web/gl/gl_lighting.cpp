// SPDX-License-Identifier: MIT
// gl_lighting.cpp - lights, materials and the light model: the state the lighting equation
// reads. The equation itself is written once, in the vertex shader (shaders.h); what does not
// depend on the vertex (a light's unit direction and half vector, its spot direction and the
// cosine of its cut-off, whether it is all black) is worked out here when the light is set, and
// every change marks the lights or material record for the next vertex (gl_records.cpp).
#include <cmath>

#include "web/gl/gl_state.h"

namespace {

float dot3(const float a[3], const float b[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void normalise3(float v[3]) {
    const float length = std::sqrt(dot3(v, v));
    if (length > 0) v[0] /= length, v[1] /= length, v[2] /= length;
}

// The values of a light that do not depend on the vertex.
void deriveLight(Light* l) {
    for (int k = 0; k < 3; ++k) l->direction[k] = l->position[k], l->spotUnit[k] = l->spotDirection[k];
    normalise3(l->direction);
    normalise3(l->spotUnit);
    for (int k = 0; k < 3; ++k) l->halfVector[k] = l->direction[k] + (k == 2 ? 1.0f : 0.0f);
    normalise3(l->halfVector);
    l->spotCosCutoff = std::cos(l->spotCutoff * float(M_PI) / 180);
    l->dark = true;
    for (int k = 0; k < 3; ++k)
        if (l->ambient[k] != 0 || l->diffuse[k] != 0 || l->specular[k] != 0) l->dark = false;
}

Light* lightFor(GLenum light) {
    if (light < GL_LIGHT0 || light >= GL_LIGHT0 + kMaxLights) {
        setError(GL_INVALID_ENUM);
        return nullptr;
    }
    return &glState.lights[light - GL_LIGHT0];
}

// The parameters that take one number; false when pname is not one of them.
bool setLightScalar(Light* l, GLenum pname, float value) {
    recordChanged(kLightsTable);
    switch (pname) {
        case GL_SPOT_EXPONENT:
            if (value < 0 || value > 128) setError(GL_INVALID_VALUE);
            else l->spotExponent = value;
            return true;
        case GL_SPOT_CUTOFF:
            if ((value < 0 || value > 90) && value != 180) setError(GL_INVALID_VALUE);
            else l->spotCutoff = value, deriveLight(l);
            return true;
        case GL_CONSTANT_ATTENUATION:
        case GL_LINEAR_ATTENUATION:
        case GL_QUADRATIC_ATTENUATION: {
            if (value < 0) {
                setError(GL_INVALID_VALUE);
                return true;
            }
            if (pname == GL_CONSTANT_ATTENUATION) l->constantAttenuation = value;
            else if (pname == GL_LINEAR_ATTENUATION) l->linearAttenuation = value;
            else l->quadraticAttenuation = value;
            return true;
        }
        default: return false;
    }
}

void setLightVector(GLenum light, GLenum pname, const float* v) {
    if (insideBeginEnd()) return;
    Light* l = lightFor(light);
    if (!l) return;
    recordChanged(kLightsTable);
    const Matrix4& modelView = glState.modelView[glState.modelViewDepth - 1];
    switch (pname) {
        case GL_AMBIENT: for (int i = 0; i < 4; ++i) l->ambient[i] = v[i]; deriveLight(l); return;
        case GL_DIFFUSE: for (int i = 0; i < 4; ++i) l->diffuse[i] = v[i]; deriveLight(l); return;
        case GL_SPECULAR: for (int i = 0; i < 4; ++i) l->specular[i] = v[i]; deriveLight(l); return;
        case GL_POSITION: {
            const float p[4] = {v[0], v[1], v[2], v[3]};
            transformPoint(modelView, p, l->position);  // eye coordinates, fixed from now on
            deriveLight(l);
            return;
        }
        case GL_SPOT_DIRECTION: {
            const float d[4] = {v[0], v[1], v[2], 0};  // the upper 3 x 3 only
            float e[4];
            transformPoint(modelView, d, e);
            l->spotDirection[0] = e[0], l->spotDirection[1] = e[1], l->spotDirection[2] = e[2];
            deriveLight(l);
            return;
        }
        default:
            if (!setLightScalar(l, pname, v[0])) setError(GL_INVALID_ENUM);
    }
}

void setLightModel(GLenum pname, const float* v, bool vectorCall) {
    if (insideBeginEnd()) return;
    recordChanged(kLightsTable);
    switch (pname) {
        case GL_LIGHT_MODEL_AMBIENT:
            if (!vectorCall) return setError(GL_INVALID_ENUM);
            for (int i = 0; i < 4; ++i) glState.lightModelAmbient[i] = v[i];
            return;
        case GL_LIGHT_MODEL_TWO_SIDE: glState.twoSided = v[0] != 0; return;
        case GL_LIGHT_MODEL_LOCAL_VIEWER: glState.localViewer = v[0] != 0; return;
        default: setError(GL_INVALID_ENUM);
    }
}

// glMaterial is one of the few calls allowed between glBegin and glEnd.
void setMaterial(GLenum face, GLenum pname, const float* v, bool vectorCall) {
    if (face != GL_FRONT && face != GL_BACK && face != GL_FRONT_AND_BACK) return setError(GL_INVALID_ENUM);
    if (pname == GL_SHININESS) {
        if (v[0] < 0 || v[0] > 128) return setError(GL_INVALID_VALUE);
    } else if (!vectorCall ||
               (pname != GL_AMBIENT && pname != GL_DIFFUSE && pname != GL_SPECULAR && pname != GL_EMISSION &&
                pname != GL_AMBIENT_AND_DIFFUSE)) {
        return setError(GL_INVALID_ENUM);
    }
    recordChanged(kMaterialTable);
    for (int side = 0; side < 2; ++side) {
        if ((side == 0 && face == GL_BACK) || (side == 1 && face == GL_FRONT)) continue;
        Material& m = glState.materials[side];
        for (int i = 0; i < 4; ++i) {
            if (pname == GL_AMBIENT || pname == GL_AMBIENT_AND_DIFFUSE) m.ambient[i] = v[i];
            if (pname == GL_DIFFUSE || pname == GL_AMBIENT_AND_DIFFUSE) m.diffuse[i] = v[i];
            if (pname == GL_SPECULAR) m.specular[i] = v[i];
            if (pname == GL_EMISSION) m.emission[i] = v[i];
        }
        if (pname == GL_SHININESS) m.shininess = v[0];
    }
}

}  // namespace

extern "C" {

void glLightf(GLenum light, GLenum pname, GLfloat param) {
    if (insideBeginEnd()) return;
    Light* l = lightFor(light);
    if (l && !setLightScalar(l, pname, param)) setError(GL_INVALID_ENUM);
}

void glLighti(GLenum light, GLenum pname, GLint param) { glLightf(light, pname, GLfloat(param)); }

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) { setLightVector(light, pname, params); }

void glLightiv(GLenum light, GLenum pname, const GLint* params) {
    float v[4] = {0, 0, 0, 0};
    const int count = pname == GL_SPOT_DIRECTION ? 3 : (pname == GL_AMBIENT || pname == GL_DIFFUSE ||
                                                        pname == GL_SPECULAR || pname == GL_POSITION) ? 4 : 1;
    for (int i = 0; i < count; ++i) v[i] = float(params[i]);
    setLightVector(light, pname, v);
}

void glGetLightfv(GLenum light, GLenum pname, GLfloat* params) {
    if (insideBeginEnd()) return;
    const Light* l = lightFor(light);
    if (!l) return;
    const float* from = nullptr;
    int count = 1;
    switch (pname) {
        case GL_AMBIENT: from = l->ambient, count = 4; break;
        case GL_DIFFUSE: from = l->diffuse, count = 4; break;
        case GL_SPECULAR: from = l->specular, count = 4; break;
        case GL_POSITION: from = l->position, count = 4; break;
        case GL_SPOT_DIRECTION: from = l->spotDirection, count = 3; break;
        case GL_SPOT_EXPONENT: from = &l->spotExponent; break;
        case GL_SPOT_CUTOFF: from = &l->spotCutoff; break;
        case GL_CONSTANT_ATTENUATION: from = &l->constantAttenuation; break;
        case GL_LINEAR_ATTENUATION: from = &l->linearAttenuation; break;
        case GL_QUADRATIC_ATTENUATION: from = &l->quadraticAttenuation; break;
        default: return setError(GL_INVALID_ENUM);
    }
    for (int i = 0; i < count; ++i) params[i] = from[i];
}

void glLightModelf(GLenum pname, GLfloat param) { setLightModel(pname, &param, false); }
void glLightModeli(GLenum pname, GLint param) {
    const float v = float(param);
    setLightModel(pname, &v, false);
}
void glLightModelfv(GLenum pname, const GLfloat* params) { setLightModel(pname, params, true); }

void glMaterialf(GLenum face, GLenum pname, GLfloat param) { setMaterial(face, pname, &param, false); }
void glMateriali(GLenum face, GLenum pname, GLint param) {
    const float v = float(param);
    setMaterial(face, pname, &v, false);
}
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params) { setMaterial(face, pname, params, true); }

void glGetMaterialfv(GLenum face, GLenum pname, GLfloat* params) {
    if (insideBeginEnd()) return;
    if (face != GL_FRONT && face != GL_BACK) return setError(GL_INVALID_ENUM);
    const Material& m = glState.materials[face == GL_BACK ? 1 : 0];
    const float* from = nullptr;
    switch (pname) {
        case GL_AMBIENT: from = m.ambient; break;
        case GL_DIFFUSE: from = m.diffuse; break;
        case GL_SPECULAR: from = m.specular; break;
        case GL_EMISSION: from = m.emission; break;
        case GL_SHININESS: params[0] = m.shininess; return;
        default: return setError(GL_INVALID_ENUM);
    }
    for (int i = 0; i < 4; ++i) params[i] = from[i];
}

void glShadeModel(GLenum mode) {
    if (insideBeginEnd()) return;
    if (mode != GL_FLAT && mode != GL_SMOOTH) return setError(GL_INVALID_ENUM);
    glState.shadeModel = mode;
    glState.rasterStateChanged = true;  // the rasteriser interpolates the colours or not
}

}  // extern "C"
