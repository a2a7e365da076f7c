// web_layer_test.cpp: the browser's OpenGL (web/layer/gl_web.cpp), built for the
// desktop with its WebGL calls recorded here instead of made: its
// perspective matrix against the desktop's own GLU, bit for bit; immediate
// mode turned into one batch of triangles, drawn before anything that would
// change it; texturing only with a complete texture; and a lost context
// given back everything it had.
#include "gl_call.h"
#include "webgl.h"

#include <GL/freeglut_std.h>
#include <GL/glu.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>

namespace {

struct Draw {
  std::vector<WebglVertex> vertices;
  std::array<GLfloat, 16> modelView;
  std::array<GLfloat, 16> projection;
  int textured;
};

// The calls since startRecording(), and every call since the test began,
// which a restored context must add up to.
std::vector<GlCall> webglCalls;
std::vector<GlCall> everyCall;
std::vector<Draw> draws;
std::vector<std::vector<std::uint8_t>> uploads; // the bytes of each webglTexImage2D
std::vector<std::vector<std::uint8_t>> everyUpload;

void record(std::string_view name, std::initializer_list<double> values) {
  webglCalls.emplace_back(name, values);
  everyCall.emplace_back(name, values);
}

void startRecording() {
  webglCalls.clear();
  draws.clear();
  uploads.clear();
}

// What a WebGL context holds after a list of recorded calls, from a new
// context's defaults.
struct WebglModel {
  std::array<double, 4> clearColour{0, 0, 0, 0};
  double clearDepth = 1;
  std::array<double, 4> viewport{0, 0, 800, 600};
  std::map<double, bool> capabilities;
  std::pair<double, double> blend{GL_ONE, GL_ZERO};
  double bound = 0;
  std::map<double, std::map<double, double>> parameters;
  std::map<double, std::vector<std::uint8_t>> images;

  bool operator==(const WebglModel& other) const {
    return clearColour == other.clearColour && clearDepth == other.clearDepth && viewport == other.viewport &&
           capabilities == other.capabilities && blend == other.blend && bound == other.bound &&
           parameters == other.parameters && images == other.images;
  }
};

WebglModel modelOf(const std::vector<GlCall>& calls, const std::vector<std::vector<std::uint8_t>>& images) {
  WebglModel model;
  std::size_t upload = 0;
  for (const GlCall& call : calls) {
    const auto& a = call.arguments;
    if (call.name == "webglClearColor") {
      model.clearColour = {a[0], a[1], a[2], a[3]};
    } else if (call.name == "webglClearDepth") {
      model.clearDepth = a[0];
    } else if (call.name == "webglViewport") {
      model.viewport = {a[0], a[1], a[2], a[3]};
    } else if (call.name == "webglCapability") {
      model.capabilities[a[0]] = a[1] != 0;
    } else if (call.name == "webglBlendFunc") {
      model.blend = {a[0], a[1]};
    } else if (call.name == "webglBindTexture") {
      model.bound = a[0];
      // A texture is made with WebGL's default parameters on its first binding.
      model.parameters.try_emplace(model.bound,
                                   std::map<double, double>{{GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_LINEAR},
                                                            {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                                                            {GL_TEXTURE_WRAP_S, GL_REPEAT},
                                                            {GL_TEXTURE_WRAP_T, GL_REPEAT}});
    } else if (call.name == "webglTexParameter") {
      model.parameters[model.bound][a[0]] = a[1];
    } else if (call.name == "webglTexImage2D") {
      model.images[model.bound] = images.at(upload++);
    }
  }
  return model;
}

// A float's bits, so that 0 and -0 differ and every last bit counts.
std::uint32_t bits(GLfloat value) {
  std::uint32_t word = 0;
  std::memcpy(&word, &value, sizeof word);
  return word;
}

// The desktop's matrix, as GLU hands it to OpenGL.
std::array<GLdouble, 16> desktopMatrix;
bool desktopMultiplied = false;

// A frame of one strip: the square of a particle at the origin, 40 units away.
void drawSquare() {
  glBegin(GL_TRIANGLE_STRIP);
  glVertex3f(0.5f, 0.5f, -40.0f);
  glVertex3f(-0.5f, 0.5f, -40.0f);
  glVertex3f(0.5f, -0.5f, -40.0f);
  glVertex3f(-0.5f, -0.5f, -40.0f);
  glEnd();
}

} // namespace

extern "C" {
// GLU calls this with its perspective matrix: libGLU, opened below, finds
// it here, in the test, before the system's OpenGL.
void glMultMatrixd(const GLdouble* matrix) {
  std::copy(matrix, matrix + 16, desktopMatrix.begin());
  desktopMultiplied = true;
}

void webglClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
  record("webglClearColor", {red, green, blue, alpha});
}
void webglClearDepth(GLfloat depth) { record("webglClearDepth", {depth}); }
void webglClear(GLbitfield mask) { record("webglClear", {double(mask)}); }
void webglViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  record("webglViewport", {double(x), double(y), double(width), double(height)});
}
void webglCapability(GLenum capability, int enabled) {
  record("webglCapability", {double(capability), double(enabled)});
}
void webglBlendFunc(GLenum source, GLenum destination) {
  record("webglBlendFunc", {double(source), double(destination)});
}
void webglBindTexture(GLuint name) { record("webglBindTexture", {double(name)}); }
void webglTexParameter(GLenum parameter, GLint value) {
  record("webglTexParameter", {double(parameter), double(value)});
}
void webglTexImage2D(GLint level, GLenum format, GLsizei width, GLsizei height, const void* pixels, GLsizei size) {
  record("webglTexImage2D", {double(level), double(format), double(width), double(height), double(size)});
  const auto* bytes = static_cast<const std::uint8_t*>(pixels);
  uploads.emplace_back(bytes, bytes + size);
  everyUpload.emplace_back(bytes, bytes + size);
}
void webglSwap() { record("webglSwap", {}); }
void webglDraw(const WebglVertex* vertices, GLsizei count, const GLfloat* modelView, const GLfloat* projection,
               int textured) {
  record("webglDraw", {double(count), double(textured)});
  Draw draw{{vertices, vertices + count}, {}, {}, textured};
  std::copy(modelView, modelView + 16, draw.modelView.begin());
  std::copy(projection, projection + 16, draw.projection.begin());
  draws.push_back(std::move(draw));
}
}

// For every window size the browser may give, the projection the shader
// gets is the desktop GLU's matrix rounded to floats, as the desktop's
// OpenGL keeps it: bit for bit, the aspect-ratio guard and GLU's refusal of
// an aspect ratio of 0 included.
TEST(WebLayerTest, PerspectiveMatrixIsTheDesktopsToTheLastBit) {
  void* glu = dlopen("libGLU.so.1", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(glu, nullptr) << dlerror();
  using Perspective = void (*)(GLdouble, GLdouble, GLdouble, GLdouble);
  const auto desktopPerspective = reinterpret_cast<Perspective>(dlsym(glu, "gluPerspective"));
  ASSERT_NE(desktopPerspective, nullptr);

  const int sizes[][2] = {{800, 600},   {1600, 1200}, {2400, 1800}, {480, 360}, {320, 240}, {390, 293},
                          {1366, 1025}, {777, 333},   {1, 1},       {800, 0},   {0, 600}};
  for (const auto& size : sizes) {
    const double aspect = static_cast<double>(size[0]) / static_cast<double>(size[1] == 0 ? 1 : size[1]);
    desktopMultiplied = false;
    desktopPerspective(45.0, aspect, 0.1, 200.0);
    std::array<GLfloat, 16> expected{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (desktopMultiplied) {
      std::transform(desktopMatrix.begin(), desktopMatrix.end(), expected.begin(),
                     [](GLdouble value) { return static_cast<GLfloat>(value); });
    }
    EXPECT_EQ(desktopMultiplied, size[0] != 0) << size[0] << " x " << size[1];

    startRecording();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, aspect, 0.1, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawSquare();
    glutSwapBuffers();
    ASSERT_EQ(draws.size(), 1u);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(bits(draws[0].projection[i]), bits(expected[i]))
          << size[0] << " x " << size[1] << ", element " << i << ": " << draws[0].projection[i] << ", expected "
          << expected[i];
    }
  }
  dlclose(glu);
}

// Strips become triangles that all face one way, with each vertex's own
// colour and texture coordinate, or the last vertex's colour when shading
// is flat; they are drawn in one call at the swap, or earlier when a clear
// or a state change comes, so that the order OpenGL promises holds.
TEST(WebLayerTest, StripsAreGatheredIntoOneDrawThatComesBeforeAnyChange) {
  const GLfloat corners[4][2] = {{1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
  const auto colouredStrip = [&corners] {
    glBegin(GL_TRIANGLE_STRIP);
    for (int i = 0; i < 4; ++i) {
      glColor4f(0.25f * static_cast<GLfloat>(i), 0.5f, 1.0f, 0.75f);
      glTexCoord2d(corners[i][0] > 0 ? 1 : 0, corners[i][1] > 0 ? 1 : 0);
      glVertex3f(corners[i][0], corners[i][1], -40.0f);
    }
    glEnd();
  };
  startRecording();
  glClear(GL_COLOR_BUFFER_BIT);
  colouredStrip();
  drawSquare();
  glClear(GL_COLOR_BUFFER_BIT); // draws what came before it
  glShadeModel(GL_FLAT);
  colouredStrip();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE); // and so does a state change
  glShadeModel(GL_SMOOTH);
  glutSwapBuffers(); // nothing left to draw but the frame to show
  glutSwapBuffers();

  const std::vector<GlCall> expected{{"webglClear", {GL_COLOR_BUFFER_BIT}},
                                     {"webglDraw", {12, 0}},
                                     {"webglClear", {GL_COLOR_BUFFER_BIT}},
                                     {"webglDraw", {6, 0}},
                                     {"webglBlendFunc", {GL_SRC_ALPHA, GL_ONE}},
                                     {"webglSwap", {}},
                                     {"webglSwap", {}}};
  EXPECT_EQ(firstDifference(webglCalls, expected), "");
  ASSERT_EQ(draws.size(), 2u);

  // Triangles 0, 1, 2 and 2, 1, 3 of the first strip, each vertex as given.
  const int order[] = {0, 1, 2, 2, 1, 3};
  for (int i = 0; i < 6; ++i) {
    const WebglVertex& vertex = draws[0].vertices[i];
    const int given = order[i];
    EXPECT_EQ(vertex.position[0], corners[given][0]) << i;
    EXPECT_EQ(vertex.position[1], corners[given][1]) << i;
    EXPECT_EQ(vertex.colour[0], 0.25f * static_cast<GLfloat>(given)) << i;
    EXPECT_EQ(vertex.texCoord[1], corners[given][1] > 0 ? 1.0f : 0.0f) << i;
  }
  // Flat: the first triangle takes vertex 2's colour, the second vertex 3's.
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(draws[1].vertices[i].colour[0], i < 3 ? 0.5f : 0.75f) << i;
  }
}

// Texturing samples only a texture that is complete: an image at level 0
// and a filter that needs no mipmaps. OpenGL's default minification filter
// needs them, so until it is set the colour is drawn untextured, as on the
// desktop, rather than black.
TEST(WebLayerTest, OnlyACompleteTextureTintsTheColour) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_TEXTURE_2D);
  // Rows of 2 × 3 bytes start every 8 bytes, the default unpack alignment,
  // and the last row is not padded: 14 bytes in all, as OpenGL reads them.
  const std::vector<std::uint8_t> pixels(std::size_t{8} + 6, 200);
  const auto texturedDraw = [] {
    startRecording();
    drawSquare();
    glutSwapBuffers();
    return draws.at(0).textured;
  };
  EXPECT_EQ(texturedDraw(), 0) << "no image";
  startRecording();
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  ASSERT_EQ(uploads.size(), 1u);
  EXPECT_EQ(uploads[0].size(), 14u);
  EXPECT_EQ(texturedDraw(), 0) << "a filter that needs mipmaps";
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  EXPECT_EQ(texturedDraw(), 1);
  glDisable(GL_TEXTURE_2D);
  EXPECT_EQ(texturedDraw(), 0) << "texturing off";
}

// A lost context starts from WebGL's defaults; what webglRestore sends it
// leaves it as the firework had set up the one it lost: clear values,
// viewport, blending, the depth test, every texture with its parameters and
// pixels, and the bound texture. Where another firework drew in a shared
// context since, webglRestoreState sends the same but the textures'
// parameters and images, which its own WebGL textures still hold.
TEST(WebLayerTest, ARestoredContextHoldsWhatTheLostOneHad) {
  startRecording();
  GLuint textures[2] = {};
  glGenTextures(2, textures);
  glBindTexture(GL_TEXTURE_2D, textures[1]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, textures[0]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  std::vector<std::uint8_t> sprite(std::size_t{32} * 32 * 3);
  for (std::size_t i = 0; i < sprite.size(); ++i) {
    sprite[i] = static_cast<std::uint8_t>(i * 7);
  }
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 32, 32, 0, GL_RGB, GL_UNSIGNED_BYTE, sprite.data());
  glClearColor(0.0f, 0.25f, 0.5f, 1.0f);
  glClearDepth(0.5);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  glViewport(0, 0, 1600, 1200);
  const WebglModel before = modelOf(everyCall, everyUpload);
  EXPECT_EQ(before.images.at(textures[0]), sprite);
  sprite.assign(sprite.size(), 0); // the program's buffer is gone by the time the context is lost

  startRecording();
  webglRestore();
  EXPECT_TRUE(modelOf(webglCalls, uploads) == before);

  startRecording();
  webglRestoreState();
  WebglModel taken = modelOf(webglCalls, uploads);
  EXPECT_TRUE(uploads.empty());
  taken.parameters = before.parameters;
  taken.images = before.images;
  EXPECT_TRUE(taken == before);
}

// A use the layer does not support is said once on standard error, and
// otherwise leaves everything as it was.
TEST(WebLayerTest, AnUnsupportedUseIsSaidOnce) {
  startRecording();
  testing::internal::CaptureStderr();
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHTING);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "firework: the browser's OpenGL enables only blending, the depth test and 2-D textures\n");
  EXPECT_TRUE(webglCalls.empty());
}
