// What OpenGL sees, call by call, without a display: the start-up, the
// projection, and every vertex of every frame checked against an
// independent model of the firework.
#include "gl_recorder.h"
#include "keyboard.h"
#include "particles.h"
#include "scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The firework rebuilt from its rules, sharing no code with the program: a
// burst kind per key, the generator, the launch and the frame's calls.
struct BurstKind {
  char key;
  bool fromLaunchPoint;
  int oneSidedAxis; // 0 x, 1 y, -1 none
  float pull[3];
};
constexpr BurstKind kBurstKinds[] = {
    {'w', false, 1, {0, -2.45f, 0}}, {'s', false, -1, {0, -4.9f, 0}}, {'a', false, -1, {-4.9f, 0, 0}},
    {'d', false, 0, {-4.9f, 0, 0}},  {'z', false, -1, {0, 0, -4.9f}}, {'c', false, -1, {0, 0, 4.9f}},
    {'r', true, -1, {0, -4.9f, 0}},
};

struct ModelParticle {
  bool active = false;
  float life = 0, fade = 0;
  float rgb[3] = {};
  float position[3] = {}, velocity[3] = {}, pull[3] = {};
};

struct FireworkModel {
  std::uint32_t seed = 1;
  ModelParticle particles[800];

  int draw() {
    seed = seed * 214013u + 2531011u;
    return static_cast<int>(seed >> 16 & 32767u);
  }

  void burst(char key) {
    const BurstKind& kind = *std::find_if(std::begin(kBurstKinds), std::end(kBurstKinds),
                                          [key](const BurstKind& k) { return k.key == key; });
    static constexpr float kHues[12][3] = {{1, .5f, .5f}, {1, .75f, .5f}, {1, 1, .5f}, {.75f, 1, .5f},
                                           {.5f, 1, .5f}, {.5f, 1, .75f}, {.5f, 1, 1}, {.5f, .75f, 1},
                                           {.5f, .5f, 1}, {.75f, .5f, 1}, {1, .5f, 1}, {1, .5f, .75f}};
    for (int i = 0; i < 800; ++i) {
      ModelParticle& p = particles[i];
      p.active = true;
      if (kind.fromLaunchPoint) {
        p.position[0] = 0;
        p.position[1] = 8;
        p.position[2] = 0;
      }
      p.life = 1;
      const double share = (draw() % 100) / 1000.0;
      p.fade = static_cast<float>(share + double{0.003f});
      std::copy(kHues[std::min(11, (i + 1) / 66)], kHues[std::min(11, (i + 1) / 66)] + 3, p.rgb);
      for (int axis = 0; axis < 3; ++axis) {
        const int n = draw() % 50;
        p.velocity[axis] = static_cast<float>(axis == kind.oneSidedAxis ? (n + 25) * 10 : (n - 25) * 10);
      }
      std::copy(kind.pull, kind.pull + 3, p.pull);
    }
  }

  // The calls one frame makes, and the step that follows each particle's draw.
  std::vector<GlCall> frame() {
    std::vector<GlCall> calls{{"glClear", {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT}},
                              {"glMatrixMode", {GL_MODELVIEW}},
                              {"glLoadIdentity", {}}};
    for (ModelParticle& p : particles) {
      if (!p.active) {
        continue;
      }
      const double x = p.position[0];
      const double y = p.position[1];
      const float depth = p.position[2] + -40.0f;
      const auto right = static_cast<float>(x + 0.5);
      const auto left = static_cast<float>(x - 0.5);
      const auto top = static_cast<float>(y + 0.5);
      const auto bottom = static_cast<float>(y - 0.5);
      calls.insert(calls.end(), {{"glColor4f", {p.rgb[0], p.rgb[1], p.rgb[2], p.life}},
                                 {"glBegin", {GL_TRIANGLE_STRIP}},
                                 {"glTexCoord2d", {1, 1}},
                                 {"glVertex3f", {right, top, depth}},
                                 {"glTexCoord2d", {0, 1}},
                                 {"glVertex3f", {left, top, depth}},
                                 {"glTexCoord2d", {1, 0}},
                                 {"glVertex3f", {right, bottom, depth}},
                                 {"glTexCoord2d", {0, 0}},
                                 {"glVertex3f", {left, bottom, depth}},
                                 {"glEnd", {}}});
      for (int axis = 0; axis < 3; ++axis) {
        p.position[axis] = static_cast<float>(p.position[axis] + p.velocity[axis] / 2000.0);
        p.velocity[axis] += p.pull[axis];
      }
      p.life -= p.fade;
      if (p.life < 0) {
        p.life = 1;
      }
    }
    calls.push_back({"glutSwapBuffers", {}});
    return calls;
  }
};

// Each test starts from the program's start-up state, in its own folder.
class GlTraceTest : public testing::Test {
protected:
  void SetUp() override {
    particlePool = {};
    randomState = 1;
    recordedCalls.clear();
    uploadedPixels.clear();
    startFolder = fs::current_path();
    folder = fs::temp_directory_path() / ("gl_trace_test_" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);
  }
  void TearDown() override {
    fs::current_path(startFolder);
    fs::remove_all(folder);
  }

  static void copySprite() { fs::copy_file(FIREWORK_SPRITE_FILE, "particle.bmp"); }

  fs::path startFolder, folder;
};

TEST_F(GlTraceTest, StartUpUploadsTheSpriteThenSetsTheRenderStateThenLaunches) {
  copySprite();
  ASSERT_TRUE(initialiseScene());

  const std::vector<GlCall> expected{
      {"glGenTextures", {1}},
      {"glBindTexture", {GL_TEXTURE_2D, 7}},
      {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR}},
      {"glTexParameteri", {GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR}},
      {"glTexImage2D", {GL_TEXTURE_2D, 0, 3, 32, 32, 0, GL_RGB, GL_UNSIGNED_BYTE}},
      {"glShadeModel", {GL_SMOOTH}},
      {"glClearColor", {0, 0, 0, 0}},
      {"glClearDepth", {1}},
      {"glDisable", {GL_DEPTH_TEST}},
      {"glEnable", {GL_BLEND}},
      {"glBlendFunc", {GL_SRC_ALPHA, GL_ONE}},
      {"glEnable", {GL_TEXTURE_2D}},
      {"glBindTexture", {GL_TEXTURE_2D, 7}},
  };
  EXPECT_EQ(firstDifference(recordedCalls, expected), "");

  std::ifstream file("particle.bmp", std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  EXPECT_EQ(uploadedPixels, bytes); // the file's rows go up as they are, bottom row first

  // The first burst is in place before any frame: all 800, from the origin.
  EXPECT_TRUE(std::all_of(particlePool.begin(), particlePool.end(),
                          [](const Particle& p) { return p.active && p.pull.y == -2.45f && p.position.y == 0; }));
}

TEST_F(GlTraceTest, MissingSpriteStopsStartUpBeforeAnyRenderState) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(initialiseScene());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  EXPECT_EQ(firstDifference(recordedCalls, {{"glGenTextures", {1}}}), "");
  EXPECT_EQ(randomState, 1u); // no burst drew anything
  EXPECT_TRUE(std::none_of(particlePool.begin(), particlePool.end(), [](const Particle& p) { return p.active; }));
}

TEST_F(GlTraceTest, ReshapeSetsViewportAndPerspectiveGuardingOnlyTheHeight) {
  struct Case {
    int width, height;
    double aspect;
  };
  for (const Case c : {Case{800, 600, 800.0 / 600.0}, Case{800, 0, 800.0}, Case{0, 600, 0.0}, Case{0, 0, 0.0}}) {
    recordedCalls.clear();
    onReshape(c.width, c.height);
    const std::vector<GlCall> expected{
        {"glViewport", {0, 0, double(c.width), double(c.height)}},
        {"glMatrixMode", {GL_PROJECTION}},
        {"glLoadIdentity", {}},
        {"gluPerspective", {45, c.aspect, 0.1, 200}},
        {"glMatrixMode", {GL_MODELVIEW}},
        {"glLoadIdentity", {}},
    };
    EXPECT_EQ(firstDifference(recordedCalls, expected), "") << c.width << " x " << c.height;
  }
}

TEST_F(GlTraceTest, FrameWithoutParticlesOnlyClearsAndSwaps) {
  FireworkModel model;
  frameStep();
  EXPECT_EQ(firstDifference(recordedCalls, model.frame()), "");
  EXPECT_EQ(recordedCalls.size(), 4u);
}

TEST_F(GlTraceTest, EveryVertexOfEveryFrameMatchesTheModel) {
  copySprite();
  ASSERT_TRUE(initialiseScene());
  FireworkModel model;
  model.burst('w');

  // The start-up burst, then every key's burst, each followed by long enough
  // for lives to wrap and particles to fly far out of view.
  int frameNumber = 0;
  for (const char key : {'\0', 'r', 'a', 'r', 'w', 's', 'd', 'z', 'c', 'r', 'r'}) {
    if (key != '\0') {
      onKey(static_cast<unsigned char>(key), 0, 0);
      model.burst(key);
    }
    for (int i = 0; i < 120; ++i, ++frameNumber) {
      recordedCalls.clear();
      frameStep();
      const std::string difference = firstDifference(recordedCalls, model.frame());
      ASSERT_EQ(difference, "") << "frame " << frameNumber << " after burst '" << key << "'";
    }
  }
  EXPECT_EQ(randomState, model.seed);
}

} // namespace
