// SPDX-License-Identifier: MIT
// gl_layer.h - the fixed-function OpenGL the web build runs on: what it provides, how far each
// part goes, and what it leaves out.
//
// The program and GLU are compiled against the ordinary <GL/gl.h>; this layer defines the
// OpenGL 1.x entry points they call, with the meaning the OpenGL 1.x specification gives them,
// on top of WebGL 2. Vertices are transformed and lit on the GPU, in the vertex shader: each
// glVertex is kept as given, in object coordinates with the current normal, colour and texture
// coordinates, and names the state it is to be transformed and lit with, captured as records
// when the program changed it (the model-view matrix with its normal matrix and GL_NORMALIZE;
// the projection and texture matrices; the enabled lights and the light model; both materials)
// and handed to the shader as tables it reads by the vertex's row numbers. The CPU keeps what
// only it does cheaply: the state record, cutting primitives into points, lines and triangles,
// and flat shading's provoking vertex. A frame's primitives are kept in one batch, each vertex
// once, and drawn with one draw call per change of per-fragment state, when glFlush or glFinish
// is called (the web entry's glutSwapBuffers calls glFlush) or when something needs the pixels
// or changes a texture they sample. The batch's vertex and index streams and its record tables
// are kept between frames: each frame writes them from the top again and compares every value
// with the one already at its place, so a glBegin/glEnd run that the program sends as it did the
// frame before (the same vertices, attributes and records at the same place) is drawn from the
// buffer the GPU already holds, and only what differs is uploaded. The runs a stretch of calls
// makes can be captured and sent again (replayRun, gl_state.h; GLU's quadric cache in web/glu/
// uses it): a captured run sent again where the last frame sent the same one, with the same
// colour and records, is not even compared. The shader programs (one for each case of flat
// shading and texturing in use) are made when a batch first needs them, every one it needs
// compiled and linked before any is asked about, so that the browser compiles them together;
// where it offers KHR_parallel_shader_compile, a frame whose programs are still compiling when
// glFlush ends it waits, kept whole, until they are done (layerFrameWaiting), so that a main loop
// that asks need never wait for a compile. Every GPU object can be made again from what the layer
// keeps on the CPU side (the streams, the records, the texture images, the shaders' source).
// Calls that OpenGL forbids between glBegin and glEnd record GL_INVALID_OPERATION there; values it
// refuses record its error and change nothing. Anything outside the list below is not provided: a
// call to it fails to link (or, where emscripten's JavaScript has a WebGL call of that name, shows
// in the program's imports, which scripts/web checks), and a known call with an unsupported value
// (fog, stencil, a border, a float image) records GL_INVALID_ENUM or GL_INVALID_VALUE.
//
// Units: gl_state.h (the state record), gl_context.cpp, gl_matrix.cpp, gl_lighting.cpp,
// gl_records.cpp (the state as the vertex shader reads it), gl_primitives.cpp, gl_textures.cpp,
// gl_batch.cpp, gl_backend.cpp (the only WebGL caller), shaders.h (the two GLSL ES 3.00 shaders;
// the lighting equation).
//
// [Primitives and current values]  gl_primitives.cpp
//   glBegin glEnd            every primitive: points, lines, line strips and loops, triangles,
//                            strips, fans, quads, quad strips, polygons; cut into triangles in
//                            submission order (fans from the first vertex; a quad strip's quad i
//                            is 2i, 2i+1, 2i+3, 2i+2; a quad shaded flat is cut along its other
//                            diagonal); incomplete primitives are dropped
//   glVertex2/3/4 f d i fv dv   transformed and lit (on the GPU) with the state current then
//   glNormal3 f d fv dv      the current normal (taken untransformed; see glEnable(GL_NORMALIZE))
//   glColor3/4 f d fv dv ub ubv  the current colour, shown where lighting is off
//   glTexCoord1/2/3/4 f d fv dv  the current texture coordinates
// [Matrices]  gl_matrix.cpp
//   glMatrixMode glLoadIdentity glLoadMatrixf/d glMultMatrixf/d glPushMatrix glPopMatrix
//   glTranslatef/d glRotatef/d glScalef/d glFrustum glOrtho
//                            model-view (32 deep), projection (32) and texture (10) stacks, in
//                            single precision; GL_STACK_OVERFLOW / GL_STACK_UNDERFLOW
//   glViewport               (gl_context.cpp) per batch command
// [Lighting]  gl_lighting.cpp
//   glLightf/i/fv/iv glGetLightfv   eight lights: colours, position and spot direction (eye
//                            coordinates, transformed by the model-view matrix when given), spot
//                            exponent and cut-off, attenuation
//   glLightModelf/i/fv       scene ambient, two-sided lighting, local viewer
//   glMaterialf/i/fv glGetMaterialfv  front and back materials (also between glBegin and glEnd)
//   glShadeModel             flat: each piece takes the colours of the vertex OpenGL names for it
//   The lighting equation is written once, in the vertex shader (shaders.h), in the
//   specification's terms.
//   Colour material, colour index mode and separate specular colour are not provided.
// [Texturing]  gl_textures.cpp
//   glGenTextures glDeleteTextures glBindTexture glIsTexture
//   glTexImage1D glTexImage2D (GL_UNSIGNED_BYTE alpha, luminance, luminance-alpha, RGB, BGR,
//                            RGBA, BGRA images; no border; any size up to the browser's largest;
//                            proxy targets answer without storing)
//   glTexParameteri/f/iv/fv glGetTexParameteriv glGetTexLevelParameteriv/fv
//                            filters (mipmapped ones need the full chain, or the texture is
//                            incomplete and texturing is off), wrap GL_REPEAT, GL_CLAMP_TO_EDGE
//                            and GL_CLAMP (sampled as GL_CLAMP_TO_EDGE)
//   glTexEnvi/f/iv/fv glGetTexEnviv  GL_MODULATE, GL_REPLACE, GL_DECAL, GL_BLEND, the env colour
//   glPixelStorei/f          pack and unpack alignment, row length, skips (images are unpacked
//                            on the CPU with them)
//   glTexImage3D             refused: GL_INVALID_ENUM
// [Per-fragment operations and the framebuffer]  gl_context.cpp, gl_batch.cpp
//   glEnable glDisable glIsEnabled  GL_LIGHTING, GL_LIGHTi, GL_NORMALIZE, GL_TEXTURE_1D,
//                            GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE,
//                            GL_SCISSOR_TEST, GL_DITHER (kept, no effect); others GL_INVALID_ENUM
//   glBlendFunc glDepthFunc glDepthMask glColorMask glCullFace glFrontFace glScissor
//   glClearColor glClearDepth glClear   colour and depth (there is no stencil or accumulation
//                            buffer; their bits are accepted and do nothing)
//   glDrawBuffer glReadBuffer  front and back are the browser's one drawing buffer
//   glReadPixels             GL_RGB, GL_RGBA, GL_BGR, GL_BGRA as GL_UNSIGNED_BYTE, with the pack
//                            state; draws the batch first
//   glFlush glFinish         draw the batch and end the frame; glFinish then waits for the browser's
//                            GL (the browser sends a task's commands on when the task ends).
//                            A frame that glFlush ends while the browser is still compiling
//                            shader programs it needs is kept undrawn (see layerFrameWaiting);
//                            glFinish, glReadPixels, a texture change and glBegin or glClear of
//                            the next frame draw it first, waiting for the compile
//   glHint                   accepted; interpolation is always perspective-correct
// [Queries]  gl_context.cpp
//   glGetError               the layer's error first, then the browser's (a lost context)
//   glGetIntegerv glGetFloatv glGetDoublev glGetBooleanv  matrices, stack depths, the current
//                            values, lighting, texture bindings, per-fragment state, pixel
//                            store, limits
//   glGetString              vendor, renderer, version "1.1", no extensions
// [The context]  gl_context.cpp, gl_backend.cpp
//   While the browser has taken the context away (a lost context), draws and reads do nothing
//   (glReadPixels gives zeros) and glGetError reports GL_CONTEXT_LOST_WEBGL once; texture images
//   and parameters given meanwhile are kept. When the browser gives it back:
//   layerRestoreContext      makes every GPU object again from what the layer keeps (the vertex
//                            and index streams, the state records, the texture images, the shader
//                            programs from their source), so that drawing goes on as before, and
//                            lets go of the lost context's; the program does nothing again. False
//                            when that failed. Limits asked while the context was away (the
//                            largest texture and viewport) are WebGL 2's least, and are asked of
//                            the context again once it is back. A frame waiting for its shader
//                            programs when the context is lost is let go of, undrawn.
// [Frames and the shader compile]  gl_batch.cpp, gl_backend.cpp
//   layerFrameWaiting        true while the frame glFlush last ended waits for shader programs
//                            the browser is still compiling (asked without waiting, through
//                            KHR_parallel_shader_compile); once they are done it draws that frame
//                            and is false, as it is when no frame waits. A main loop calls it at
//                            each animation frame and draws the next frame only when it is false,
//                            so that nothing moves on while the first frame cannot be shown.
#pragma once

#include <GL/gl.h>

bool layerRestoreContext();
bool layerFrameWaiting();
