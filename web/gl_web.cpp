// gl_web.cpp: the OpenGL calls the firework makes that the browser's GL
// (Emscripten's legacy GL emulation over WebGL 1) takes otherwise; immediate
// mode is in immediate_web.cpp.
//
// - glShadeModel is only a note on standard error; the emulation always
//   shades smoothly, which is the shading the firework asks for.
// - WebGL takes only a format name as a texture's internal format, and the
//   same one as the pixel format; the old component counts 1 to 4 leave the
//   texture incomplete, and everything drawn with it black. They are mapped
//   to their format names here.
#include <GL/gl.h>

extern "C" {
// Emscripten's own texture upload, under the name it keeps for callers that
// replace glTexImage2D.
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const GLvoid* pixels);
}

namespace {

// Internal formats given as a number of colour components, by their name.
GLint formatName(GLint internalFormat) {
  switch (internalFormat) {
  case 1:
    return GL_LUMINANCE;
  case 2:
    return GL_LUMINANCE_ALPHA;
  case 3:
    return GL_RGB;
  case 4:
    return GL_RGBA;
  default:
    return internalFormat;
  }
}

} // namespace

void glShadeModel(GLenum /*mode*/) {}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
  emscripten_glTexImage2D(target, level, formatName(internalFormat), width, height, border, format, type, pixels);
}
