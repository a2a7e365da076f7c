// webgl.h: what the browser's OpenGL (gl_web.cpp) asks of WebGL.
//
// gl_web.cpp keeps every piece of OpenGL state the firework sets and turns
// immediate mode into one batch of triangles a frame; the functions below
// are the few WebGL calls it needs, made by webgl.js in the browser. Each
// takes effect at once, in the order called. While the WebGL context is
// lost they do nothing; when it comes back webgl.js makes its own objects
// again (shader and vertex buffer) and calls webglRestore(), which sends
// the whole kept state again, textures included. Fireworks that share one
// context take turns in it: before one draws after another, webgl.js calls
// its webglRestoreState().
#pragma once

#include <GL/gl.h>

#include <array>

// One vertex of the batch: position, then colour (RGBA), then texture
// coordinate, 9 floats in all, as the shader reads them.
struct WebglVertex {
  std::array<GLfloat, 3> position;
  std::array<GLfloat, 4> colour;
  std::array<GLfloat, 2> texCoord;
};

extern "C" {
void webglClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void webglClearDepth(GLfloat depth);
void webglClear(GLbitfield mask);
void webglViewport(GLint x, GLint y, GLsizei width, GLsizei height);
// GL_BLEND or GL_DEPTH_TEST on (1) or off (0).
void webglCapability(GLenum capability, int enabled);
void webglBlendFunc(GLenum source, GLenum destination);
// Binds texture `name` (0 for none), making its WebGL texture on first use.
void webglBindTexture(GLuint name);
void webglTexParameter(GLenum parameter, GLint value);
// Level `level` of the bound texture from `size` bytes at `pixels`, rows
// aligned to 4 bytes; `format` is GL_RGB or GL_RGBA, type unsigned bytes.
void webglTexImage2D(GLint level, GLenum format, GLsizei width, GLsizei height, const void* pixels, GLsizei size);
// Draws `count` vertices as triangles: positions through the two column-
// major matrices (eye = modelView × position, clip = projection × eye),
// each colour times its texel where `textured` is 1.
void webglDraw(const WebglVertex* vertices, GLsizei count, const GLfloat* modelView, const GLfloat* projection,
               int textured);

// The frame is complete: the window shows it (glutSwapBuffers).
void webglSwap();

// Called by webgl.js when a lost context is back: sends every kept state
// again, as if the firework had set it up on the new context.
void webglRestore();
// Called by webgl.js when the context is shared and another firework drew
// in it since: sends every kept state again but the textures' images, which
// are this firework's own WebGL textures and still there.
void webglRestoreState();
}
