// The first frame in a real window: read back from the screen, it must
// show the start-up burst as one white-hot textured glow in the middle of a
// black window. Needs an X display (run through with_display.sh) and
// particle.bmp in the working directory.
#include "particles.h"
#include "scene.h"
#include "screen_capture.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

namespace {

constexpr int kWidth = kWindowWidth;
constexpr int kHeight = kWindowHeight;

// What the display shows of the window once the frame has been presented.
// The picture travels to the X server on GLUT's connection and is read back
// on another, so it is read again, for up to a second, until something
// shows; nothing draws meanwhile.
ScreenImage shownFrame() {
  glFinish();
  ScreenImage shown;
  for (int attempt = 0; attempt < 20; ++attempt) {
    glutMainLoopEvent();
    shown = captureScreen(glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y), kWidth, kHeight);
    if (shown.width == kWidth && shown.brightness(kWidth / 2, kHeight / 2) > 0) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return shown;
}

TEST(Window, FirstFrameShowsTheBurstAsOneAdditiveGlowInTheMiddle) {
  ASSERT_TRUE(initialiseScene()) << "particle.bmp must be in the working directory";
  onReshape(kWidth, kHeight);
  frameStep();
  const ScreenImage shown = shownFrame();
  ASSERT_EQ(shown.width, kWidth) << "cannot read the screen";

  // 800 squares at (0, 0, -40): 800 tinted glows add up to white where the
  // sprite is bright, even though no palette colour is white on its own.
  for (const auto [x, y] : {std::array{400, 300}, {399, 299}, {405, 300}, {400, 294}}) {
    EXPECT_EQ(shown.brightness(x, y), 3 * 255) << "at " << x << ", " << y;
  }

  // The lit area is round, centred and about one unit (18 pixels) across at
  // this depth; the square's corners, where the sprite is black, stay black.
  int left = kWidth;
  int right = -1;
  int top = kHeight;
  int bottom = -1;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (shown.brightness(x, y) > 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  EXPECT_NEAR((left + right) / 2.0, 399.5, 1.0);
  EXPECT_NEAR((top + bottom) / 2.0, 299.5, 1.0);
  EXPECT_GE(right - left, 12);
  EXPECT_LE(right - left, 20);
  EXPECT_GE(bottom - top, 12);
  EXPECT_LE(bottom - top, 20);
  for (const auto [x, y] : {std::array{392, 292}, {407, 292}, {392, 307}, {407, 307}, {0, 0}, {799, 599}}) {
    EXPECT_EQ(shown.brightness(x, y), 0) << "at " << x << ", " << y;
  }
}

} // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  openWindow(argc, argv);
  // Let the window be mapped before drawing into it.
  glutDisplayFunc([] {});
  for (int i = 0; i < 10; ++i) {
    glutMainLoopEvent();
  }
  return RUN_ALL_TESTS();
}
