// frame_rate: frames per second of the real frame loop against the least a
// frame can cost in the same window.
//
// In one 800 x 600 GLUT window it runs, alternately, five pairs of:
//   baseline  clear the buffers and swap, nothing drawn;
//   firework  frameStep, the burst relaunched from (0, 8, 0) every 100
//             frames so that all 800 particles stay in view;
// then prints each run's frames per second and the median of the five
// firework / baseline ratios. Needs a display and particle.bmp in the
// working directory; `cmake --build build --target bench_frame_rate` runs
// it on Xvfb from data/.
#include "particles.h"
#include "scene.h"

#include <GL/freeglut.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kFrames = 2000; // per run
constexpr int kPairs = 5;
constexpr int kRelaunchEvery = 100; // frames; the r burst stays in view this long

void baselineFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glutSwapBuffers();
}

// Runs `frame` kFrames times; returns frames per second.
template <typename Frame> double framesPerSecond(Frame frame) {
  glFinish();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kFrames; ++i) {
    frame(i);
  }
  glFinish();
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return kFrames / elapsed.count();
}

} // namespace

int main(int argc, char** argv) {
  openWindow(argc, argv);
  if (!initialiseScene()) {
    std::fprintf(stderr, "frame_rate: cannot load particle.bmp from the working directory\n");
    return EXIT_FAILURE;
  }
  onReshape(kWindowWidth, kWindowHeight);
  glutDisplayFunc([] {});
  glutMainLoopEvent(); // map the window before timing anything

  std::array<double, kPairs> ratios{};
  std::printf("%d frames a run, 800 x 600, %s\n", kFrames, reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  for (int pair = 0; pair < kPairs; ++pair) {
    const double baseline = framesPerSecond([](int) { baselineFrame(); });
    const double firework = framesPerSecond([](int i) {
      if (i % kRelaunchEvery == 0) {
        launchBurst(Regenerate);
      }
      frameStep();
    });
    ratios[pair] = firework / baseline;
    std::printf("pair %d: baseline %7.0f fps (%6.1f us a frame), firework %7.0f fps (%6.1f us a frame), ratio %.3f\n",
                pair + 1, baseline, 1e6 / baseline, firework, 1e6 / firework, ratios[pair]);
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("median firework / baseline frame rate: %.3f\n", ratios[kPairs / 2]);
  return EXIT_SUCCESS;
}
