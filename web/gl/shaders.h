// SPDX-License-Identifier: MIT
// shaders.h - the layer's two shaders, GLSL ES 3.00.
//
// Transformation and lighting are done per vertex on the CPU, so the vertex shader only passes
// its inputs on. The fragment shader chooses the colour of the face the fragment belongs to
// (two-sided lighting: points and lines count as front-facing) and applies the texture
// environment of OpenGL 1.x. Textures are stored as RGBA with the missing components filled in
// (alpha 1 for luminance and RGB images, colour 1 for alpha images), so GL_MODULATE is a plain
// product for every base format; GL_REPLACE and GL_BLEND need to know which components the image
// really has.
#pragma once

constexpr const char* kVertexShaderSource = R"(#version 300 es
layout(location = 0) in vec4 clipPosition;
layout(location = 1) in vec3 texCoord;  // s, t, q
layout(location = 2) in vec4 frontColour;
layout(location = 3) in vec4 backColour;
out vec4 front;
out vec4 back;
out vec3 stq;
void main() {
    gl_Position = clipPosition;
    gl_PointSize = 1.0;
    front = frontColour;
    back = backColour;
    stq = texCoord;
}
)";

// Compiled once for each texturing case in use, with TEXTURE_MODE (0 off, 1 one-dimensional,
// 2 two-dimensional) and TEXTURE_FUNCTION (0 modulate, 1 replace, 2 decal, 3 blend) defined in
// front of it, so that no fragment takes a branch it does not need.
constexpr const char* kFragmentShaderSource = R"(
precision highp float;
in vec4 front;
in vec4 back;
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
