#include "scene.h"

#include "particles.h"
#include "sprite_texture.h"

#include <GL/freeglut_std.h>
#include <GL/gl.h>
#include <GL/glu.h>

void openWindow(int& argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(kWindowWidth, kWindowHeight);
  glutInitWindowPosition(200, 100);
  glutCreateWindow("Particle System: Firework");
}

bool initialiseScene() {
  if (!setupSpriteTexture()) {
    return false;
  }

  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(1.0);
  glDisable(GL_DEPTH_TEST);
  // Additive blending: overlapping particles add up, so the order they are
  // drawn in does not change the picture and no depth sorting is needed.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  // The default texture environment (modulate) tints the sprite with each
  // particle's colour and alpha. This state holds for the whole run.
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, spriteTexture);

  launchBurst(Up);
  return true;
}

void onReshape(int width, int height) {
  glViewport(0, 0, width, height);

  // Only the height is guarded: a zero width gives an aspect ratio of 0.
  const int aspectHeight = height == 0 ? 1 : height;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(aspectHeight), 0.1, 200.0);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
