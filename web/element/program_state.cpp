// program_state.cpp: the firework's state, handed to <firework-player> so
// that it can keep snapshots of a show and seek through them as a video
// player seeks through its keyframes.
//
// The particle pool and the random source, with the number of steps run
// (kept by GLUT's layer), decide every frame from here on: restored, they
// give back the very frames of the run they were taken from. The element
// copies the pool's bytes out of the program's memory and back
// (particleState, particleStateSize) and reads and sets the random source.
// Between snapshots it runs the steps' particle arithmetic without drawing
// (advanceQuietly) and types the show's keys with no one told
// (typeQuietly): a step's frame is drawn from the same state whichever way
// it was reached.
//
// Limits: the state is this build's memory layout, valid only within the
// program that made it; nothing here checks what is handed back.
#include "keyboard.h"
#include "particles.h"

#include <cstdint>

extern "C" {

void* particleState() { return particlePool.data(); }

int particleStateSize() { return static_cast<int>(sizeof particlePool); }

std::uint32_t randomSource() { return randomState; }

void setRandomSource(std::uint32_t state) { randomState = state; }

// What `steps` frame steps do to the pool, with nothing drawn: each active
// particle advanced once a step, in pool order, as frameStep does.
void advanceQuietly(int steps) {
  for (; steps > 0; --steps) {
    for (Particle& particle : particlePool) {
      if (particle.active) {
        advanceParticle(particle);
      }
    }
  }
}

// The keyboard handler's work for `key`, without the page hearing of it.
void typeQuietly(int key) { onKey(static_cast<unsigned char>(key), 0, 0); }
}
