// gl_web.cpp: the browser's OpenGL and GLU, for what the firework asks of
// them, over the few WebGL calls of webgl.h.
//
// The whole OpenGL state the firework sets lives here, in the program's
// memory: clear values, viewport, the two matrices, blending, the depth
// test, texturing, shading and every texture with a copy of its pixels. A
// lost WebGL context leaves it untouched, and webglRestore() sends it to
// the new context; where fireworks share one context, webglRestoreState()
// sends the state without the textures when this one draws again.
//
// Immediate mode is gathered, as a desktop driver queues it: each glBegin
// ... glEnd becomes triangles in one batch, drawn by one WebGL draw call
// when the frame is swapped or just before anything that would change how
// it is drawn (a state change, a clear). The picture is the one that
// drawing each primitive at its glEnd would give.
//
// Limits: one texture target (GL_TEXTURE_2D), level 0, RGB or RGBA in
// unsigned bytes, with the four usual parameters; two matrix modes,
// identity and gluPerspective only; the triangle primitives (strips, fans,
// triangles); the texture environment is modulate. A call with other
// arguments is said once on standard error and otherwise ignored; a call
// outside this file does not link.
#include "webgl.h"

#include <GL/freeglut_std.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using Matrix = std::array<GLfloat, 16>; // column-major, as OpenGL keeps it

constexpr Matrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct Texture {
  // Parameters as OpenGL's defaults have them, then as set.
  GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
  GLint magFilter = GL_LINEAR;
  GLint wrapS = GL_REPEAT;
  GLint wrapT = GL_REPEAT;
  // Level 0, kept for a lost context; no format until it is uploaded.
  GLenum format = 0;
  GLsizei width = 0;
  GLsizei height = 0;
  std::vector<std::uint8_t> pixels;
};

struct GlState {
  std::array<GLfloat, 4> clearColour{0, 0, 0, 0};
  GLfloat clearDepth = 1;
  bool viewportSet = false; // until glViewport, WebGL's own: the whole canvas
  std::array<GLint, 4> viewport{};
  bool blend = false;
  bool depthTest = false;
  bool texture2D = false;
  GLenum blendSource = GL_ONE;
  GLenum blendDestination = GL_ZERO;
  GLenum shadeModel = GL_SMOOTH;
  GLenum matrixMode = GL_MODELVIEW;
  Matrix modelView = kIdentity;
  Matrix projection = kIdentity;
  GLuint boundTexture = 0;
  std::vector<Texture> textures; // texture name n is textures[n - 1]

  // Immediate mode: the primitive being given, the attributes the next
  // vertex takes, and the triangles gathered since the last draw.
  GLenum primitive = 0;
  bool inPrimitive = false;
  WebglVertex current{{0, 0, 0}, {1, 1, 1, 1}, {0, 0}};
  std::vector<WebglVertex> primitiveVertices;
  std::vector<WebglVertex> batch;

  std::uint32_t reported = 0; // unsupported uses said so far, a bit each
};

GlState gl;

// The unsupported uses, each said once.
enum Unsupported : std::uint32_t {
  kCapability = 1u << 0,
  kTextureTarget = 1u << 1,
  kTextureParameter = 1u << 2,
  kTextureImage = 1u << 3,
  kMatrixMode = 1u << 4,
  kPrimitive = 1u << 5,
};

void unsupported(Unsupported what, const char* text) {
  if ((gl.reported & what) == 0) {
    gl.reported |= what;
    std::fputs(text, stderr);
  }
}

Texture* boundTexture() {
  return gl.boundTexture == 0 || gl.boundTexture > gl.textures.size() ? nullptr : &gl.textures[gl.boundTexture - 1];
}

// A texture the fixed pipeline samples: an image at level 0 and no filter
// that needs the mipmaps it does not have. Drawing with any other leaves
// the colour as it is, as OpenGL turns texturing off for it.
bool complete(const Texture* texture) {
  return texture != nullptr && texture->format != 0 &&
         (texture->minFilter == GL_NEAREST || texture->minFilter == GL_LINEAR);
}

// Draws what has been gathered, with the state it was gathered under.
void flush() {
  if (gl.batch.empty()) {
    return;
  }
  webglDraw(gl.batch.data(), static_cast<GLsizei>(gl.batch.size()), gl.modelView.data(), gl.projection.data(),
            gl.texture2D && complete(boundTexture()) ? 1 : 0);
  gl.batch.clear();
}

Matrix& currentMatrix() { return gl.matrixMode == GL_PROJECTION ? gl.projection : gl.modelView; }

void setCapability(GLenum capability, bool enabled) {
  flush();
  switch (capability) {
  case GL_BLEND:
    gl.blend = enabled;
    webglCapability(capability, enabled ? 1 : 0);
    break;
  case GL_DEPTH_TEST:
    gl.depthTest = enabled;
    webglCapability(capability, enabled ? 1 : 0);
    break;
  case GL_TEXTURE_2D:
    gl.texture2D = enabled;
    break;
  default:
    unsupported(kCapability, "firework: the browser's OpenGL enables only blending, the depth test and "
                             "2-D textures\n");
  }
}

// Adds vertices a, b and c of the primitive to the batch as one triangle.
// Flat shading gives all three the colour of the last, as OpenGL does.
void addTriangle(std::size_t a, std::size_t b, std::size_t c) {
  const std::vector<WebglVertex>& vertices = gl.primitiveVertices;
  for (const std::size_t index : {a, b, c}) {
    gl.batch.push_back(vertices[index]);
    if (gl.shadeModel == GL_FLAT) {
      gl.batch.back().colour = vertices[c].colour;
    }
  }
}

void sendTexture(GLuint name, const Texture& texture) {
  webglBindTexture(name);
  webglTexParameter(GL_TEXTURE_MIN_FILTER, texture.minFilter);
  webglTexParameter(GL_TEXTURE_MAG_FILTER, texture.magFilter);
  webglTexParameter(GL_TEXTURE_WRAP_S, texture.wrapS);
  webglTexParameter(GL_TEXTURE_WRAP_T, texture.wrapT);
  if (texture.format != 0) {
    webglTexImage2D(0, texture.format, texture.width, texture.height, texture.pixels.data(),
                    static_cast<GLsizei>(texture.pixels.size()));
  }
}

} // namespace

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
  gl.clearColour = {red, green, blue, alpha};
  webglClearColor(red, green, blue, alpha);
}

void glClearDepth(GLclampd depth) {
  gl.clearDepth = static_cast<GLfloat>(depth);
  webglClearDepth(gl.clearDepth);
}

void glClear(GLbitfield mask) {
  flush();
  webglClear(mask);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  flush();
  gl.viewportSet = true;
  gl.viewport = {x, y, width, height};
  webglViewport(x, y, width, height);
}

void glEnable(GLenum capability) { setCapability(capability, true); }
void glDisable(GLenum capability) { setCapability(capability, false); }

void glBlendFunc(GLenum source, GLenum destination) {
  flush();
  gl.blendSource = source;
  gl.blendDestination = destination;
  webglBlendFunc(source, destination);
}

void glShadeModel(GLenum mode) { gl.shadeModel = mode; }

void glMatrixMode(GLenum mode) {
  if (mode != GL_MODELVIEW && mode != GL_PROJECTION) {
    unsupported(kMatrixMode, "firework: the browser's OpenGL has only the model-view and projection matrices\n");
    return;
  }
  gl.matrixMode = mode;
}

void glLoadIdentity() {
  flush();
  currentMatrix() = kIdentity;
}

// The current matrix times GLU's perspective matrix, computed as GLU does,
// in double precision, and multiplied in single precision, as the desktop's
// OpenGL keeps its matrices. Like GLU, it leaves the matrix as it is when
// the aspect ratio, the depth range or the field of view's sine is 0.
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double radians = fovy / 2 * 3.14159265358979323846 / 180;
  const double deltaZ = zFar - zNear;
  const double sine = std::sin(radians);
  if (deltaZ == 0 || sine == 0 || aspect == 0) {
    return;
  }
  const double cotangent = std::cos(radians) / sine;
  Matrix perspective{};
  perspective[0] = static_cast<GLfloat>(cotangent / aspect);
  perspective[5] = static_cast<GLfloat>(cotangent);
  perspective[10] = static_cast<GLfloat>(-(zFar + zNear) / deltaZ);
  perspective[11] = -1;
  perspective[14] = static_cast<GLfloat>(-2 * zNear * zFar / deltaZ);

  flush();
  Matrix& matrix = currentMatrix();
  const Matrix left = matrix;
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      GLfloat sum = 0;
      for (int k = 0; k < 4; ++k) {
        sum += left[k * 4 + row] * perspective[column * 4 + k];
      }
      matrix[column * 4 + row] = sum;
    }
  }
}

void glGenTextures(GLsizei n, GLuint* textures) {
  for (GLsizei i = 0; i < n; ++i) {
    gl.textures.emplace_back();
    textures[i] = static_cast<GLuint>(gl.textures.size());
  }
}

void glBindTexture(GLenum target, GLuint texture) {
  if (target != GL_TEXTURE_2D) {
    unsupported(kTextureTarget, "firework: the browser's OpenGL has 2-D textures only\n");
    return;
  }
  flush();
  if (texture > gl.textures.size()) {
    gl.textures.resize(texture); // binding an unused name makes the texture, as in OpenGL
  }
  gl.boundTexture = texture;
  webglBindTexture(texture);
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
  Texture* texture = boundTexture();
  if (target != GL_TEXTURE_2D || texture == nullptr) {
    unsupported(kTextureTarget, "firework: the browser's OpenGL has 2-D textures only\n");
    return;
  }
  flush();
  switch (name) {
  case GL_TEXTURE_MIN_FILTER:
    texture->minFilter = value;
    break;
  case GL_TEXTURE_MAG_FILTER:
    texture->magFilter = value;
    break;
  case GL_TEXTURE_WRAP_S:
    texture->wrapS = value;
    break;
  case GL_TEXTURE_WRAP_T:
    texture->wrapT = value;
    break;
  default:
    unsupported(kTextureParameter, "firework: the browser's OpenGL sets only filters and wrap modes\n");
    return;
  }
  webglTexParameter(name, value);
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
  Texture* texture = boundTexture();
  // The internal format as a number of components (3, 4) or by name, and
  // the same components in the data.
  const bool rgb = (internalFormat == 3 || internalFormat == GL_RGB) && format == GL_RGB;
  const bool rgba = (internalFormat == 4 || internalFormat == GL_RGBA) && format == GL_RGBA;
  if (target != GL_TEXTURE_2D || texture == nullptr || level != 0 || border != 0 || type != GL_UNSIGNED_BYTE ||
      !(rgb || rgba) || width < 1 || height < 1 || pixels == nullptr) {
    unsupported(kTextureImage, "firework: the browser's OpenGL takes only level 0 of a 2-D texture, RGB or RGBA "
                               "in unsigned bytes\n");
    return;
  }
  flush();
  // Rows start on 4-byte boundaries: the default unpack alignment.
  const std::size_t row = static_cast<std::size_t>(width) * (rgb ? 3 : 4);
  const std::size_t size = ((row + 3) & ~std::size_t{3}) * static_cast<std::size_t>(height - 1) + row;
  const auto* bytes = static_cast<const std::uint8_t*>(pixels);
  texture->format = format;
  texture->width = width;
  texture->height = height;
  texture->pixels.assign(bytes, bytes + size);
  webglTexImage2D(0, format, width, height, texture->pixels.data(), static_cast<GLsizei>(size));
}

void glBegin(GLenum mode) {
  if (mode != GL_TRIANGLE_STRIP && mode != GL_TRIANGLE_FAN && mode != GL_TRIANGLES) {
    unsupported(kPrimitive, "firework: the browser's OpenGL draws only triangles, strips and fans\n");
  }
  gl.primitive = mode;
  gl.inPrimitive = true;
  gl.primitiveVertices.clear();
}

void glEnd() {
  const std::size_t count = gl.primitiveVertices.size();
  switch (gl.primitive) {
  case GL_TRIANGLE_STRIP:
    // Triangle i is vertices i, i + 1, i + 2, every other one turned round
    // so that all face the same way.
    for (std::size_t i = 2; i < count; ++i) {
      if (i % 2 == 0) {
        addTriangle(i - 2, i - 1, i);
      } else {
        addTriangle(i - 1, i - 2, i);
      }
    }
    break;
  case GL_TRIANGLE_FAN:
    for (std::size_t i = 2; i < count; ++i) {
      addTriangle(0, i - 1, i);
    }
    break;
  case GL_TRIANGLES:
    for (std::size_t i = 2; i < count; i += 3) {
      addTriangle(i - 2, i - 1, i);
    }
    break;
  default:
    break;
  }
  gl.inPrimitive = false;
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
  gl.current.colour = {red, green, blue, alpha};
}

void glTexCoord2d(GLdouble s, GLdouble t) { gl.current.texCoord = {static_cast<GLfloat>(s), static_cast<GLfloat>(t)}; }

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  if (!gl.inPrimitive) {
    return; // OpenGL ignores a vertex outside glBegin ... glEnd
  }
  gl.current.position = {x, y, z};
  gl.primitiveVertices.push_back(gl.current);
}

// The browser shows the canvas once the frame's script returns; what is left
// to do at the swap is to draw what has been gathered and hand the frame to
// the window.
void glutSwapBuffers() {
  flush();
  webglSwap();
}

void webglRestoreState() {
  webglClearColor(gl.clearColour[0], gl.clearColour[1], gl.clearColour[2], gl.clearColour[3]);
  webglClearDepth(gl.clearDepth);
  if (gl.viewportSet) {
    webglViewport(gl.viewport[0], gl.viewport[1], gl.viewport[2], gl.viewport[3]);
  }
  webglCapability(GL_BLEND, gl.blend ? 1 : 0);
  webglCapability(GL_DEPTH_TEST, gl.depthTest ? 1 : 0);
  webglBlendFunc(gl.blendSource, gl.blendDestination);
  webglBindTexture(gl.boundTexture);
}

void webglRestore() {
  for (std::size_t i = 0; i < gl.textures.size(); ++i) {
    sendTexture(static_cast<GLuint>(i + 1), gl.textures[i]);
  }
  webglRestoreState();
}
