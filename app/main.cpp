// main.cpp: the firework's entry point.
//
// Opens the window, prints the instructions, prepares the scene and hands
// control to GLUT, which then calls the frame step as fast as it can: every
// redraw is one step of the simulation.
#include "keyboard.h"
#include "particles.h"
#include "raw_image.h"
#include "scene.h"
#include "sprite_texture.h"

#include <GL/freeglut_std.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Printed once at start-up, string by string.
constexpr const char* kInstructions[] = {
    "This program will generate firework:\n\n",
    "Press R to regenerate firework\n",
    "Press Z, C to move particles away from you or toward you\n",
    "Press W, S, A, D to move particles up, down, left, right respectively\n",
    "Press ESC to exit\n",
};

} // namespace

int main(int argc, char** argv) {
  // The program has no options of its own: all arguments go to GLUT.
  openWindow(argc, argv);

  for (const char* line : kInstructions) {
    std::fputs(line, stdout);
  }
  std::fflush(stdout);

  if (!initialiseScene()) {
    std::fprintf(stderr,
                 "firework: cannot load %s (%s): it is read from the working directory and must be "
                 "a %u-byte headerless %d x %d RGB file\n",
                 kSpriteFileName, rawImageFailure, rawImageStride(kSpriteSize) * kSpriteSize, kSpriteSize, kSpriteSize);
    return EXIT_FAILURE;
  }

  glutDisplayFunc(frameStep);
  glutReshapeFunc(onReshape);
  glutKeyboardFunc(onKey);
  glutIdleFunc(frameStep);

  glutMainLoop();
  return 0;
}
