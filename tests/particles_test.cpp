// Bursts, the palette, the random source and the advance step, without a
// display: exact values, compared bit for bit.
#include "particles.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// Each test starts from the program's start-up state.
class ParticlesTest : public testing::Test {
protected:
  void SetUp() override {
    particlePool = {};
    randomState = 1;
  }
};

// The state that makes the next randomInt() return `value`: undoes one step
// of the generator with the multiplier's inverse modulo 2^32.
std::uint32_t stateBefore(int value) {
  std::uint32_t inverse = 214013u;
  for (int i = 0; i < 5; ++i) {
    inverse *= 2u - 214013u * inverse; // Newton's step doubles the correct low bits
  }
  return ((static_cast<std::uint32_t>(value) << 16) - 2531011u) * inverse;
}

TEST_F(ParticlesTest, RandomSourceRepeatsItsSequenceFromOne) {
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (const int value : expected) {
    EXPECT_EQ(randomInt(), value);
  }
  for (int i = 0; i < 100000; ++i) {
    const int value = randomInt();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
  randomState = stateBefore(12345);
  EXPECT_EQ(randomInt(), 12345);
}

TEST_F(ParticlesTest, StartUpBurstGivesTheKnownFirstParticles) {
  launchBurst(Up);

  const Particle& first = particlePool[0];
  EXPECT_EQ(first.fadeRate, 0.044f);
  EXPECT_EQ(first.velocity.x, -80.0f);
  EXPECT_EQ(first.velocity.y, 590.0f);
  EXPECT_EQ(first.velocity.z, -250.0f);
  const Particle& second = particlePool[1];
  EXPECT_EQ(second.fadeRate, 0.072f);
  EXPECT_EQ(second.velocity.x, -10.0f);
  EXPECT_EQ(second.velocity.y, 530.0f);
  EXPECT_EQ(second.velocity.z, -170.0f);

  for (const Particle& particle : particlePool) {
    EXPECT_TRUE(particle.active);
    EXPECT_EQ(particle.life, 1.0f);
    EXPECT_EQ(particle.position.x, 0.0f); // launched from the origin
    EXPECT_EQ(particle.position.y, 0.0f);
    EXPECT_EQ(particle.position.z, 0.0f);
    EXPECT_EQ(particle.pull.y, -2.45f);
  }

  // Four draws per particle, 3200 in all.
  std::uint32_t expectedState = 1;
  for (int i = 0; i < 4 * kParticleCount; ++i) {
    expectedState = expectedState * 214013u + 2531011u;
  }
  EXPECT_EQ(randomState, expectedState);
}

TEST_F(ParticlesTest, FadeRateIsSummedInDoubleAndRoundedOnce) {
  // For these draws a float quotient, or a float sum, lands one step off.
  struct Case {
    int draw;
    float fadeRate;
  };
  for (const Case c : {Case{5, 0x1.0624dep-7f}, Case{12, 0x1.eb851ep-7f}, Case{0, 0.003f}, Case{199, 0x1.a1cacp-4f}}) {
    randomState = stateBefore(c.draw);
    launchBurst(Down);
    EXPECT_EQ(particlePool[0].fadeRate, c.fadeRate) << "draw " << c.draw;
  }
}

TEST_F(ParticlesTest, PaletteBandsAreSixtySixWideAndTheTailKeepsTheLastRow) {
  EXPECT_EQ(paletteRow(0), 0);
  EXPECT_EQ(paletteRow(64), 0);
  EXPECT_EQ(paletteRow(65), 1);
  EXPECT_EQ(paletteRow(130), 1);
  EXPECT_EQ(paletteRow(131), 2);
  EXPECT_EQ(paletteRow(790), 11);
  EXPECT_EQ(paletteRow(791), 11);
  EXPECT_EQ(paletteRow(799), 11);

  launchBurst(Regenerate);
  int perRow[kPaletteSize] = {};
  for (int i = 0; i < kParticleCount; ++i) {
    const Colour& colour = particlePool[i].colour;
    const Colour& row = burstPalette[paletteRow(i)];
    EXPECT_EQ(colour.r, row.r);
    EXPECT_EQ(colour.g, row.g);
    EXPECT_EQ(colour.b, row.b);
    ++perRow[paletteRow(i)];
  }
  EXPECT_EQ(perRow[0], 65);
  EXPECT_EQ(perRow[1], 66);
  EXPECT_EQ(perRow[10], 66);
  EXPECT_EQ(perRow[11], 75);
}

TEST_F(ParticlesTest, EachPresetSetsItsPullAndOneSidedAxis) {
  struct Case {
    const char* name;
    const BurstPreset& preset;
    Vec3 pull;
    int oneSidedAxis; // 0 x, 1 y, -1 none
  };
  const Case cases[] = {
      {"Up", Up, {0, -2.45f, 0}, 1},
      {"Down", Down, {0, -4.9f, 0}, -1},
      {"Left", Left, {-4.9f, 0, 0}, -1},
      {"Right", Right, {-4.9f, 0, 0}, 0},
      {"Away", Away, {0, 0, -4.9f}, -1},
      {"Toward", Toward, {0, 0, 4.9f}, -1},
      {"Regenerate", Regenerate, {0, -4.9f, 0}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    launchBurst(c.preset);
    for (const Particle& particle : particlePool) {
      const float speeds[] = {particle.velocity.x, particle.velocity.y, particle.velocity.z};
      for (int axis = 0; axis < 3; ++axis) {
        const float low = axis == c.oneSidedAxis ? 250.0f : -250.0f;
        ASSERT_GE(speeds[axis], low);
        ASSERT_LE(speeds[axis], low + 490.0f);
        ASSERT_EQ(static_cast<int>(speeds[axis]) % 10, 0);
      }
      ASSERT_EQ(particle.pull.x, c.pull.x);
      ASSERT_EQ(particle.pull.y, c.pull.y);
      ASSERT_EQ(particle.pull.z, c.pull.z);
    }
  }
}

TEST_F(ParticlesTest, OnlyRegenerateMovesParticlesBackToItsLaunchPoint) {
  launchBurst(Up);
  for (int i = 0; i < kParticleCount; ++i) {
    particlePool[i].position = {static_cast<float>(i), -3.5f, 100.25f};
    particlePool[i].life = 0.25f;
  }

  launchBurst(Left);
  for (int i = 0; i < kParticleCount; ++i) {
    const Particle& particle = particlePool[i];
    EXPECT_EQ(particle.position.x, static_cast<float>(i));
    EXPECT_EQ(particle.position.y, -3.5f);
    EXPECT_EQ(particle.position.z, 100.25f);
    EXPECT_EQ(particle.life, 1.0f);
  }

  launchBurst(Regenerate);
  for (const Particle& particle : particlePool) {
    EXPECT_EQ(particle.position.x, 0.0f);
    EXPECT_EQ(particle.position.y, 8.0f);
    EXPECT_EQ(particle.position.z, 0.0f);
  }
}

TEST(AdvanceParticle, MovesWithTheOldVelocityInDoublePrecisionThenPulls) {
  Particle particle{};
  particle.active = true;
  particle.life = 1.0f;
  particle.fadeRate = 0.25f;
  // A float quotient and float sum would give -0x1.7d8adcp-2 here.
  particle.position = {0x1.c0ebeep-6f, 8.0f, 0.0f};
  particle.velocity = {-800.0f, 500.0f, 10.0f};
  particle.pull = {0.0f, -4.9f, 4.9f};

  advanceParticle(particle);

  EXPECT_EQ(particle.position.x, -0x1.7d8adap-2f);
  EXPECT_EQ(particle.position.y, 8.25f);
  EXPECT_EQ(particle.position.z, 0.005f);
  EXPECT_EQ(particle.velocity.x, -800.0f);
  EXPECT_EQ(particle.velocity.y, 500.0f - 4.9f);
  EXPECT_EQ(particle.velocity.z, 10.0f + 4.9f);
  EXPECT_EQ(particle.life, 0.75f);
}

TEST(AdvanceParticle, LifeFlashesBackOnlyBelowZero) {
  Particle particle{};
  particle.life = 0.5f;
  particle.fadeRate = 0.5f;
  particle.velocity = {1000.0f, 0.0f, 0.0f};

  advanceParticle(particle);
  EXPECT_EQ(particle.life, 0.0f); // exactly zero stays, drawn once more unseen

  advanceParticle(particle);
  EXPECT_EQ(particle.life, 1.0f);       // below zero: back to full, not 1 - 0.5
  EXPECT_EQ(particle.position.x, 1.0f); // kept flying through the flash
}

TEST(SpriteQuad, IsAUnitSquareAroundThePositionFortyUnitsAway) {
  Particle particle{};
  particle.position = {0.0f, 8.0f, 2.5f};
  const SpriteQuad quad = spriteQuad(particle);
  EXPECT_EQ(quad.left, -0.5f);
  EXPECT_EQ(quad.right, 0.5f);
  EXPECT_EQ(quad.bottom, 7.5f);
  EXPECT_EQ(quad.top, 8.5f);
  EXPECT_EQ(quad.depth, -37.5f);
}

} // namespace
