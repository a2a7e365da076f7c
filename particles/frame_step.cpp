// frame_step.cpp: the only part of the particle system that talks to OpenGL.
#include "particles.h"

#include <GL/freeglut_std.h>
#include <GL/gl.h>

namespace {

// A 1 × 1 square facing the viewer, as one four-vertex triangle strip with
// the whole sprite stretched over it.
void drawSprite(const SpriteQuad& quad) {
  glBegin(GL_TRIANGLE_STRIP);
  glTexCoord2d(1, 1);
  glVertex3f(quad.right, quad.top, quad.depth);
  glTexCoord2d(0, 1);
  glVertex3f(quad.left, quad.top, quad.depth);
  glTexCoord2d(1, 0);
  glVertex3f(quad.right, quad.bottom, quad.depth);
  glTexCoord2d(0, 0);
  glVertex3f(quad.left, quad.bottom, quad.depth);
  glEnd();
}

} // namespace

void frameStep() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // Positions are eye coordinates once the depth offset is added.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  // Each particle is drawn where it stands, then moved: one call, one step.
  for (Particle& particle : particlePool) {
    if (!particle.active) {
      continue;
    }
    // The texel modulates this colour; with additive blending the alpha
    // scales what the particle adds to the frame.
    glColor4f(particle.colour.r, particle.colour.g, particle.colour.b, particle.life);
    drawSprite(spriteQuad(particle));
    advanceParticle(particle);
  }

  glutSwapBuffers();
}
