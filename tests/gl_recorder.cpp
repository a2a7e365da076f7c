#include "gl_recorder.h"

#include <GL/freeglut_std.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

std::vector<GlCall> recordedCalls;
std::vector<std::uint8_t> uploadedPixels;

namespace {

void record(std::string_view name, std::initializer_list<double> values) { recordedCalls.emplace_back(name, values); }

} // namespace

void glGenTextures(GLsizei n, GLuint* textures) {
  record("glGenTextures", {static_cast<double>(n)});
  std::fill(textures, textures + n, 7u);
}
void glBindTexture(GLenum target, GLuint texture) { record("glBindTexture", {double(target), double(texture)}); }
void glTexParameteri(GLenum target, GLenum name, GLint value) {
  record("glTexParameteri", {double(target), double(name), double(value)});
}
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
  record("glTexImage2D", {double(target), double(level), double(internalFormat), double(width), double(height),
                          double(border), double(format), double(type)});
  const auto* bytes = static_cast<const std::uint8_t*>(pixels);
  uploadedPixels.assign(bytes, bytes + static_cast<std::size_t>(width) * height * 3);
}
void glShadeModel(GLenum mode) { record("glShadeModel", {double(mode)}); }
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) { record("glClearColor", {r, g, b, a}); }
void glClearDepth(GLclampd depth) { record("glClearDepth", {depth}); }
void glEnable(GLenum capability) { record("glEnable", {double(capability)}); }
void glDisable(GLenum capability) { record("glDisable", {double(capability)}); }
void glBlendFunc(GLenum source, GLenum destination) { record("glBlendFunc", {double(source), double(destination)}); }
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  record("glViewport", {double(x), double(y), double(width), double(height)});
}
void glMatrixMode(GLenum mode) { record("glMatrixMode", {double(mode)}); }
void glLoadIdentity() { record("glLoadIdentity", {}); }
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  record("gluPerspective", {fovy, aspect, zNear, zFar});
}
void glClear(GLbitfield mask) { record("glClear", {double(mask)}); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { record("glColor4f", {r, g, b, a}); }
void glBegin(GLenum mode) { record("glBegin", {double(mode)}); }
void glEnd() { record("glEnd", {}); }
void glTexCoord2d(GLdouble s, GLdouble t) { record("glTexCoord2d", {s, t}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { record("glVertex3f", {x, y, z}); }
void glutSwapBuffers() { record("glutSwapBuffers", {}); }
