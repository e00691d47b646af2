// SPDX-License-Identifier: MIT
// shaders.h - the layer's two shaders, GLSL ES 3.00.
//
// The vertex shader is OpenGL 1.x's transformation and lighting. Each vertex arrives in object
// coordinates with its normal, colour and texture coordinates and the rows of the four record
// tables it was given (gl_records.cpp writes them): the model-view matrix, the normal matrix and
// GL_NORMALIZE; the projection and texture matrices; the lights and the light model; the front
// and back materials. The lighting equation is written here once, for one vertex and one face,
// in single precision:
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
// infinite viewer or VP_pli + the unit vector from the vertex to the eye for a local one. x^0 is
// 1 for every x, 0 included (GLSL leaves pow(0, 0) undefined, so it is never asked). The alpha is
// the material's diffuse alpha. The sum is clamped to [0, 1]. With two-sided lighting the back
// colour is the same sum with the back material and the normal flipped; otherwise it is the
// front colour. Lighting off, both are the current colour.
//
// The fragment shader chooses the colour of the face the fragment belongs to (points and lines
// count as front-facing) and applies the texture environment of OpenGL 1.x. Textures are stored
// as RGBA with the missing components filled in (alpha 1 for luminance and RGB images, colour 1
// for alpha images), so GL_MODULATE is a plain product for every base format; GL_REPLACE and
// GL_BLEND need to know which components the image really has.
//
// Both are compiled for each case in use with FLAT (1: flat shading, the colours taken from
// each piece's last vertex, where the batch puts the provoking one), TEXTURE_MODE (0 off, 1
// one-dimensional, 2 two-dimensional) and TEXTURE_FUNCTION (0 modulate, 1 replace, 2 decal,
// 3 blend) defined in front of them, so that no vertex or fragment takes a branch or reads a
// record it does not need.
#pragma once

constexpr const char* kVertexShaderSource = R"(
precision highp float;
precision highp int;
layout(location = 0) in vec4 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec4 texCoord;
layout(location = 3) in vec4 colour;
layout(location = 4) in uvec4 state;  // rows: model-view (bit 15: GL_NORMALIZE, 14: the normal
                                      // matrix is the upper 3 x 3), projection (bit 15: the texture
                                      // matrix is the identity), lights (65535: unlit), material
uniform highp sampler2D modelViews;
uniform highp sampler2D projections;
uniform highp sampler2D lightSets;
uniform highp sampler2D materials;
#if FLAT
flat out vec4 front;
flat out vec4 back;
#else
out vec4 front;
out vec4 back;
#endif
out vec3 stq;

vec4 texel(highp sampler2D table, int x, int row) {
    return texelFetch(table, ivec2(x, row), 0);
}

mat4 matrix(highp sampler2D table, int x, int row) {
    return mat4(texel(table, x, row), texel(table, x + 1, row), texel(table, x + 2, row), texel(table, x + 3, row));
}

// Both faces at once (the back only when twoSided): what depends on the light and the vertex
// alone (VP, the attenuation, the spot factor, h) is worked out once for both.
void lightVertex(vec3 vertex, vec3 n, vec4 head, int lights, int material, out vec4 frontColour,
                 out vec4 backColour) {
    int flags = int(head.w);
    bool twoSided = (flags & 1) != 0;
    bool localViewer = (flags & 2) != 0;
    int count = flags >> 2;
    int faces = twoSided ? 2 : 1;
    vec3 ambient[2], c[2];
    vec4 diffuse[2], specular[2];  // specular w: the shininess
    for (int f = 0; f < faces; ++f) {
        ambient[f] = texel(materials, 4 * f, material).rgb;
        diffuse[f] = texel(materials, 4 * f + 1, material);
        specular[f] = texel(materials, 4 * f + 2, material);
        c[f] = texel(materials, 4 * f + 3, material).rgb + ambient[f] * head.rgb;
    }
    vec3 toEye = vec3(0.0, 0.0, 1.0);
    if (localViewer) {
        toEye = -vertex;
        float len = length(toEye);
        if (len > 0.0) toEye /= len;
    }
    for (int i = 0; i < count; ++i) {
        int b = 1 + 6 * i;
        vec4 la = texel(lightSets, b, lights);      // w: spot exponent
        vec4 ld = texel(lightSets, b + 1, lights);  // w: cos of the cut-off, -2 for 180
        vec4 ls = texel(lightSets, b + 2, lights);
        vec4 lp = texel(lightSets, b + 3, lights);  // w 0: the unit direction
        vec4 le = texel(lightSets, b + 5, lights);  // the attenuation, or the half vector
        vec3 vp;  // VP_pli: from the vertex towards the light, unit length
        float attenuation = 1.0;
        if (lp.w != 0.0) {
            vp = lp.xyz / lp.w - vertex;
            float d = length(vp);
            if (d > 0.0) vp /= d;
            attenuation = 1.0 / (le.x + le.y * d + le.z * d * d);
        } else {
            vp = lp.xyz;
        }
        float spot = 1.0;
        if (ld.w >= -1.0) {
            float cosine = max(dot(-vp, texel(lightSets, b + 4, lights).xyz), 0.0);  // P_pli V . s_dli
            spot = cosine < ld.w ? 0.0 : la.w == 0.0 ? 1.0 : cosine == 0.0 ? 0.0 : pow(cosine, la.w);
        }
        float factor = attenuation * spot;
        if (factor == 0.0) continue;
        vec3 h;
        if (lp.w == 0.0 && !localViewer) {
            h = le.xyz;
        } else {
            h = vp + toEye;
            float len = length(h);
            if (len > 0.0) h /= len;
        }
        float nDotVP = dot(n, vp), nDotH = dot(n, h);
        for (int f = 0; f < faces; ++f) {
            float sign = f == 0 ? 1.0 : -1.0;
            float diffuseFactor = max(sign * nDotVP, 0.0);
            float specularFactor = 0.0;
            if (diffuseFactor != 0.0) {  // f_i
                float x = max(sign * nDotH, 0.0), s = specular[f].w;
                specularFactor = s == 0.0 ? 1.0 : x == 0.0 ? 0.0 : pow(x, s);
            }
            c[f] += factor * (ambient[f] * la.rgb + diffuseFactor * diffuse[f].rgb * ld.rgb +
                              specularFactor * specular[f].rgb * ls.rgb);
        }
    }
    frontColour = vec4(clamp(c[0], 0.0, 1.0), clamp(diffuse[0].a, 0.0, 1.0));
    backColour = twoSided ? vec4(clamp(c[1], 0.0, 1.0), clamp(diffuse[1].a, 0.0, 1.0)) : frontColour;
}

void main() {
    int modelView = int(state.x & 0x3FFFu), projection = int(state.y & 0x7FFFu);
    mat4 m = matrix(modelViews, 0, modelView);
    vec4 eye = m * position;
    gl_Position = matrix(projections, 0, projection) * eye;
    gl_PointSize = 1.0;
#if TEXTURE_MODE == 0
    stq = vec3(0.0, 0.0, 1.0);  // not sampled
#else
    vec4 t = (state.y & 0x8000u) != 0u ? texCoord : matrix(projections, 4, projection) * texCoord;
    stq = t.xyw;
#endif
    if (state.z == 65535u) {
        front = back = colour;
        return;
    }
    int lights = int(state.z), material = int(state.w);
    vec3 n;
    if ((state.x & 0x4000u) != 0u)  // the normal matrix is the upper 3 x 3 (or GL_NORMALIZE makes it so)
        n = mat3(m) * normal;
    else
        n = mat3(texel(modelViews, 4, modelView).xyz, texel(modelViews, 5, modelView).xyz,
                 texel(modelViews, 6, modelView).xyz) * normal;
    if ((state.x & 0x8000u) != 0u) {  // GL_NORMALIZE
        float len = length(n);
        if (len > 0.0) n /= len;
    }
    float w = eye.w != 0.0 ? eye.w : 1.0;
    vec4 f, b;
    lightVertex(eye.xyz / w, n, texel(lightSets, 0, lights), lights, material, f, b);
    front = f;
    back = b;
}
)";

constexpr const char* kFragmentShaderSource = R"(
precision highp float;
#if FLAT
flat in vec4 front;
flat in vec4 back;
#else
in vec4 front;
in vec4 back;
#endif
in vec3 stq;
uniform bool hasColour;
uniform bool hasAlpha;
uniform vec4 envColour;
uniform sampler2D image;
out vec4 fragmentColour;
void main() {
    vec4 cf = gl_FrontFacing ? front : back;
#if TEXTURE_MODE == 0
    fragmentColour = cf;
#else
    vec2 st = stq.xy / stq.z;
#if TEXTURE_MODE == 1
    st.y = 0.5;
#endif
    vec4 ct = texture(image, st);
#if TEXTURE_FUNCTION == 0
    fragmentColour = cf * ct;
#elif TEXTURE_FUNCTION == 1
    fragmentColour = vec4(hasColour ? ct.rgb : cf.rgb, hasAlpha ? ct.a : cf.a);
#elif TEXTURE_FUNCTION == 2
    fragmentColour = vec4(mix(cf.rgb, ct.rgb, ct.a), cf.a);
#else
    fragmentColour = vec4(hasColour ? mix(cf.rgb, envColour.rgb, ct.rgb) : cf.rgb, cf.a * ct.a);
#endif
#endif
}
)";
