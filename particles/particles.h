// particles.h: the firework's particle system.
//
// A fixed pool of 800 particles, all launched at once by a burst and then
// advanced one step per frame. Units: positions are scene units, drawn 40
// units in front of the eye; a velocity of v moves a particle v / 2000 units
// per frame; colours, alpha and life run from 0 to 1. Every quantity is a
// single-precision float, and the arithmetic is fixed to the last bit, so the
// n-th frame of every run is the same, vertex for vertex.
//
// The bursts and the advance step make no graphics calls; frameStep draws
// and presents, see frame_step.cpp.
#pragma once

#include <array>
#include <cstdint>

struct Vec3 {
  float x, y, z;
};

struct Colour {
  float r, g, b;
};

struct Particle {
  bool active;    // drawn and advanced only when set; every burst sets it
  float life;     // brightness, sent as alpha; a burst sets 1
  float fadeRate; // taken from life once per frame
  Colour colour;  // from burstPalette, by pool index
  Vec3 position;  // scene units
  Vec3 velocity;  // 2000 × units per frame
  Vec3 pull;      // added to velocity once per frame
};

inline constexpr int kParticleCount = 800;
inline constexpr float kTimeDivisor = 2.0f;  // displacement is velocity / (kTimeDivisor × 1000)
inline constexpr float kSceneDepth = -40.0f; // added to z when drawing

// All zero at start: inactive, at the origin.
extern std::array<Particle, kParticleCount> particlePool;

inline constexpr int kPaletteSize = 12;
extern const std::array<Colour, kPaletteSize> burstPalette;

// The axis whose launch speed is one-sided (250 to 740); the others get
// symmetric speeds (-250 to 240).
enum class LaunchAxis { None, X, Y };

struct BurstPreset {
  bool resetsPosition; // move every particle to (0, 8, 0) first
  LaunchAxis oneSidedAxis;
  Vec3 pull;
};

inline constexpr BurstPreset Up{false, LaunchAxis::Y, {0.0f, -2.45f, 0.0f}};
inline constexpr BurstPreset Down{false, LaunchAxis::None, {0.0f, -4.9f, 0.0f}};
inline constexpr BurstPreset Left{false, LaunchAxis::None, {-4.9f, 0.0f, 0.0f}};
inline constexpr BurstPreset Right{false, LaunchAxis::X, {-4.9f, 0.0f, 0.0f}};
inline constexpr BurstPreset Away{false, LaunchAxis::None, {0.0f, 0.0f, -4.9f}};
inline constexpr BurstPreset Toward{false, LaunchAxis::None, {0.0f, 0.0f, 4.9f}};
inline constexpr BurstPreset Regenerate{true, LaunchAxis::None, {0.0f, -4.9f, 0.0f}};

// The random source: a linear congruential generator that starts at 1 and is
// never reseeded, so every run draws the same sequence.
extern std::uint32_t randomState;

// Next value, from 0 to 32767.
int randomInt();

// Relaunches the whole pool from `preset`, in index order, drawing four
// random values per particle: fade rate, then x, y and z speed.
void launchBurst(const BurstPreset& preset);

// The pool index's palette row: (index + 1) / 66, held to the last row.
int paletteRow(int index);

// Corners and depth of a particle's 1 × 1 square, as sent to OpenGL.
struct SpriteQuad {
  float left, right, bottom, top;
  float depth;
};
SpriteQuad spriteQuad(const Particle& particle);

// One step: move by velocity / 2000, add the pull to the velocity, fade,
// and flash back to full life once life drops below 0.
void advanceParticle(Particle& particle);

// Clears, draws every active particle, advances it and swaps buffers. The
// GLUT display and idle handler; needs the render state set at start-up.
void frameStep();
