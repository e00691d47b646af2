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
layout(location = 1) in vec4 frontColour;
layout(location = 2) in vec4 backColour;
layout(location = 3) in vec4 texCoord;
out vec4 front;
out vec4 back;
out vec4 stpq;
void main() {
    gl_Position = clipPosition;
    gl_PointSize = 1.0;
    front = frontColour;
    back = backColour;
    stpq = texCoord;
}
)";

constexpr const char* kFragmentShaderSource = R"(#version 300 es
precision highp float;
in vec4 front;
in vec4 back;
in vec4 stpq;
uniform int textureMode;      // 0 off, 1 one-dimensional, 2 two-dimensional
uniform int textureFunction;  // 0 modulate, 1 replace, 2 decal, 3 blend
uniform bool hasColour;
uniform bool hasAlpha;
uniform vec4 envColour;
uniform sampler2D image;
out vec4 fragmentColour;
void main() {
    vec4 cf = gl_FrontFacing ? front : back;
    if (textureMode == 0) {
        fragmentColour = cf;
        return;
    }
    vec2 st = stpq.xy / stpq.w;
    if (textureMode == 1) st.y = 0.5;
    vec4 ct = texture(image, st);
    vec4 cv;
    if (textureFunction == 0) {
        cv = cf * ct;
    } else if (textureFunction == 1) {
        cv = vec4(hasColour ? ct.rgb : cf.rgb, hasAlpha ? ct.a : cf.a);
    } else if (textureFunction == 2) {
        cv = vec4(mix(cf.rgb, ct.rgb, ct.a), cf.a);
    } else {
        cv = vec4(hasColour ? mix(cf.rgb, envColour.rgb, ct.rgb) : cf.rgb, cf.a * ct.a);
    }
    fragmentColour = cv;
}
)";
