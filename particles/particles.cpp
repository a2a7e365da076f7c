#include "particles.h"

#include <algorithm>

std::array<Particle, kParticleCount> particlePool{};

// Twelve hues around the colour wheel, none darker than half brightness.
const std::array<Colour, kPaletteSize> burstPalette{{
    {1.0f, 0.5f, 0.5f},
    {1.0f, 0.75f, 0.5f},
    {1.0f, 1.0f, 0.5f},
    {0.75f, 1.0f, 0.5f},
    {0.5f, 1.0f, 0.5f},
    {0.5f, 1.0f, 0.75f},
    {0.5f, 1.0f, 1.0f},
    {0.5f, 0.75f, 1.0f},
    {0.5f, 0.5f, 1.0f},
    {0.75f, 0.5f, 1.0f},
    {1.0f, 0.5f, 1.0f},
    {1.0f, 0.5f, 0.75f},
}};

std::uint32_t randomState = 1;

int randomInt() {
  randomState = randomState * 214013u + 2531011u; // wraps modulo 2^32
  return static_cast<int>((randomState >> 16) & 0x7FFFu);
}

int paletteRow(int index) {
  // Rows are 66 particles wide, offset by one, so the last nine particles
  // (791 to 799) would land on a 13th row; they keep the last one instead.
  return std::min((index + 1) / 66, kPaletteSize - 1);
}

namespace {

// Launch speed on one axis: symmetric, -250 to 240, or one-sided, 250 to 740,
// always a multiple of 10 and so exact as a float.
float launchSpeed(bool oneSided) {
  const int n = randomInt() % 50;
  return static_cast<float>((oneSided ? n + 25 : n - 25) * 10);
}

} // namespace

void launchBurst(const BurstPreset& preset) {
  for (int i = 0; i < kParticleCount; ++i) {
    Particle& particle = particlePool[i];
    particle.active = true;
    if (preset.resetsPosition) {
      particle.position = {0.0f, 8.0f, 0.0f};
    }
    particle.life = 1.0f;
    // 0.003 to 0.102 per frame: summed in double, rounded to float once.
    particle.fadeRate =
        static_cast<float>(static_cast<double>(randomInt() % 100) / 1000.0 + static_cast<double>(0.003f));
    particle.colour = burstPalette[paletteRow(i)];
    // Evaluated in this order: x, y, z each take the next random value.
    const float vx = launchSpeed(preset.oneSidedAxis == LaunchAxis::X);
    const float vy = launchSpeed(preset.oneSidedAxis == LaunchAxis::Y);
    const float vz = launchSpeed(false);
    particle.velocity = {vx, vy, vz};
    particle.pull = preset.pull;
  }
}

SpriteQuad spriteQuad(const Particle& particle) {
  const double x = particle.position.x;
  const double y = particle.position.y;
  return {static_cast<float>(x - 0.5), static_cast<float>(x + 0.5), static_cast<float>(y - 0.5),
          static_cast<float>(y + 0.5), particle.position.z + kSceneDepth};
}

namespace {

// position += velocity / 2000, in double precision, stored as float.
float moved(float position, float velocity) {
  return static_cast<float>(static_cast<double>(position) +
                            static_cast<double>(velocity) / (static_cast<double>(kTimeDivisor) * 1000.0));
}

} // namespace

void advanceParticle(Particle& particle) {
  Vec3& p = particle.position;
  Vec3& v = particle.velocity;
  p = {moved(p.x, v.x), moved(p.y, v.y), moved(p.z, v.z)};
  v = {v.x + particle.pull.x, v.y + particle.pull.y, v.z + particle.pull.z};
  particle.life -= particle.fadeRate;
  // Only below zero: a life of exactly 0 is drawn once more, invisible. The
  // particle keeps flying; only its brightness starts again.
  if (particle.life < 0.0f) {
    particle.life = 1.0f;
  }
}
