// immediate_web.cpp: immediate mode at the cost of one draw call a frame.
//
// Emscripten's emulation of glBegin and glEnd draws each primitive the
// moment glEnd is called. For the firework that is 800 draw calls a frame,
// and in software WebGL they alone take longer than a 60 Hz frame. Here a
// frame's triangle strips are gathered as triangles, in the order they were
// drawn, each vertex with its own colour and texture coordinate, and drawn
// at the buffer swap by one glDrawArrays from client arrays, much as a
// desktop driver queues them.
//
// Limits: a frame ends with glutSwapBuffers (the firework's is double
// buffered), and the render state must not change between a frame's first
// strip and its swap (the firework sets it once, at start-up). Other primitives go
// straight to the emulation, after what has been gathered so far is drawn.
#include <GL/freeglut_std.h>
#include <GL/gl.h>

#include <array>
#include <vector>

extern "C" {
// The emulation's own immediate mode, under the names it keeps for callers
// that replace the usual ones.
void emscripten_glBegin(GLenum mode);
void emscripten_glEnd();
void emscripten_glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void emscripten_glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
}

namespace {

struct Vertex {
  std::array<GLfloat, 3> position;
  std::array<GLfloat, 4> colour;
  std::array<GLfloat, 2> texCoord;
};

enum class Primitive { None, GatheredStrip, PassedOn };

Primitive primitive = Primitive::None;
Vertex current{{}, {1.0f, 1.0f, 1.0f, 1.0f}, {}}; // the colour and texture coordinate of the next vertex
std::vector<Vertex> strip;                        // the strip between glBegin and glEnd
std::vector<Vertex> frameTriangles;               // three vertices a triangle, kept from frame to frame

void drawGathered() {
  if (frameTriangles.empty()) {
    return;
  }
  const Vertex& first = frameTriangles.front();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(Vertex), first.position.data());
  glColorPointer(4, GL_FLOAT, sizeof(Vertex), first.colour.data());
  glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), first.texCoord.data());
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(frameTriangles.size()));
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  frameTriangles.clear();
}

} // namespace

void glBegin(GLenum mode) {
  if (mode == GL_TRIANGLE_STRIP) {
    primitive = Primitive::GatheredStrip;
    strip.clear();
    return;
  }
  drawGathered();
  primitive = Primitive::PassedOn;
  emscripten_glBegin(mode);
}

void glEnd() {
  if (primitive == Primitive::PassedOn) {
    emscripten_glEnd();
  } else {
    // Triangle i of a strip is vertices i, i + 1, i + 2, every other one
    // turned round so that all face the same way.
    for (std::size_t i = 2; i < strip.size(); ++i) {
      const bool even = i % 2 == 0;
      frameTriangles.push_back(strip[even ? i - 2 : i - 1]);
      frameTriangles.push_back(strip[even ? i - 1 : i - 2]);
      frameTriangles.push_back(strip[i]);
    }
  }
  primitive = Primitive::None;
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
  current.colour = {red, green, blue, alpha};
  emscripten_glColor4f(red, green, blue, alpha);
}

// glTexCoord2d is missing from the emulation; the coordinates go on as
// floats, which holds the firework's (0 and 1) exactly.
void glTexCoord2d(GLdouble s, GLdouble t) {
  current.texCoord = {static_cast<GLfloat>(s), static_cast<GLfloat>(t)};
  if (primitive == Primitive::PassedOn) {
    glTexCoord2f(current.texCoord[0], current.texCoord[1]);
  }
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  if (primitive == Primitive::PassedOn) {
    emscripten_glVertex3f(x, y, z);
    return;
  }
  current.position = {x, y, z};
  strip.push_back(current);
}

// The browser shows the canvas once the frame's script returns; what is
// left to do at the swap is to draw what has been gathered.
void glutSwapBuffers() { drawGathered(); }
