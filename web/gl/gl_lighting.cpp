// SPDX-License-Identifier: MIT
// gl_lighting.cpp - lights, materials, the light model, and the lighting equation itself.
//
// The equation is OpenGL 1.x's, for one vertex and one face, evaluated in single precision:
//
//   c = e_cm + a_cm * a_cs
//       + sum over enabled lights i of  att_i * spot_i * ( a_cm * a_cli
//                                                       + (n . VP_pli) d_cm * d_cli
//                                                       + f_i (n . h_i)^s_rm s_cm * s_cli )
//
// where "." clamps the dot product at zero; VP_pli is the unit vector from the vertex to the
// light (for a directional light, the light's direction itself); att_i is
// 1 / (k_0i + k_1i d + k_2i d^2) for a positional light at distance d and 1 for a directional
// one; spot_i is (P_pli V . s_dli)^s_rli inside the cut-off cone, 0 outside it and 1 when the
// cut-off is 180; f_i is 1 when n . VP_pli is not zero; h_i = VP_pli + (0, 0, 1) for the
// infinite viewer or VP_pli + the unit vector from the vertex to the eye for a local one. The
// alpha is the material's diffuse alpha. The sum is clamped to [0, 1].
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

float clamp01(float x) {
    return x < 0 ? 0 : x > 1 ? 1 : x;
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

void lightVertex(const float eyePosition[4], const float normal[3], float front[4], float back[4]) {
    // Face 0 is the front, lit with the normal as given; face 1 the back, with the normal
    // flipped and the back material. What depends on the light and the vertex alone (VP, the
    // attenuation, the spot factor, h) is worked out once for both.
    const int faces = back ? 2 : 1;
    const Material* materials[2] = {&glState.materials[0], &glState.materials[1]};
    float c[2][3];
    for (int f = 0; f < faces; ++f)
        for (int k = 0; k < 3; ++k)
            c[f][k] = materials[f]->emission[k] + materials[f]->ambient[k] * glState.lightModelAmbient[k];

    const float w = eyePosition[3] != 0 ? eyePosition[3] : 1;
    const float vertex[3] = {eyePosition[0] / w, eyePosition[1] / w, eyePosition[2] / w};
    float toEye[3] = {-vertex[0], -vertex[1], -vertex[2]};
    if (glState.localViewer) normalise3(toEye);

    for (const Light& light : glState.lights) {
        if (!light.enabled || light.dark) continue;
        float vp[3];  // VP_pli: from the vertex towards the light, unit length
        float attenuation = 1;
        if (light.position[3] != 0) {
            for (int k = 0; k < 3; ++k) vp[k] = light.position[k] / light.position[3] - vertex[k];
            const float d = std::sqrt(dot3(vp, vp));
            if (d > 0) vp[0] /= d, vp[1] /= d, vp[2] /= d;
            attenuation = 1 / (light.constantAttenuation + light.linearAttenuation * d +
                               light.quadraticAttenuation * d * d);
        } else {
            vp[0] = light.direction[0], vp[1] = light.direction[1], vp[2] = light.direction[2];
        }

        float spot = 1;
        if (light.spotCutoff != 180) {
            const float fromLight[3] = {-vp[0], -vp[1], -vp[2]};  // P_pli V
            const float cosine = std::fmax(dot3(fromLight, light.spotUnit), 0.0f);
            spot = cosine >= light.spotCosCutoff ? std::pow(cosine, light.spotExponent) : 0;
        }
        const float factor = attenuation * spot;
        if (factor == 0) continue;

        float h[3];
        if (light.position[3] == 0 && !glState.localViewer) {
            h[0] = light.halfVector[0], h[1] = light.halfVector[1], h[2] = light.halfVector[2];
        } else {
            for (int k = 0; k < 3; ++k) h[k] = vp[k] + (glState.localViewer ? toEye[k] : k == 2 ? 1.0f : 0.0f);
            normalise3(h);
        }
        const float nDotVP = dot3(normal, vp);
        const float nDotH = dot3(normal, h);
        for (int f = 0; f < faces; ++f) {
            const Material& m = *materials[f];
            const float sign = f == 0 ? 1.0f : -1.0f;
            const float diffuse = std::fmax(sign * nDotVP, 0.0f);
            float specular = 0;
            if (diffuse != 0)  // f_i; x^0 is 1 for every x, 0 included
                specular = m.shininess == 0 ? 1.0f : std::pow(std::fmax(sign * nDotH, 0.0f), m.shininess);
            for (int k = 0; k < 3; ++k)
                c[f][k] += factor * (m.ambient[k] * light.ambient[k] + diffuse * m.diffuse[k] * light.diffuse[k] +
                                     specular * m.specular[k] * light.specular[k]);
        }
    }
    float* colours[2] = {front, back};
    for (int f = 0; f < faces; ++f) {
        for (int k = 0; k < 3; ++k) colours[f][k] = clamp01(c[f][k]);
        colours[f][3] = clamp01(materials[f]->diffuse[3]);
    }
}

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
}

}  // extern "C"
