// The keys, without a display: which burst each one launches and that every
// other code leaves the firework alone. ESC: keyboard_exit_test.cpp.
#include "keyboard.h"
#include "particles.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

bool sameParticle(const Particle& a, const Particle& b) {
  const auto same = [](const Vec3& u, const Vec3& v) { return u.x == v.x && u.y == v.y && u.z == v.z; };
  return a.active == b.active && a.life == b.life && a.fadeRate == b.fadeRate && a.colour.r == b.colour.r &&
         a.colour.g == b.colour.g && a.colour.b == b.colour.b && same(a.position, b.position) &&
         same(a.velocity, b.velocity) && same(a.pull, b.pull);
}

bool samePool(const std::array<Particle, kParticleCount>& a, const std::array<Particle, kParticleCount>& b) {
  for (int i = 0; i < kParticleCount; ++i) {
    if (!sameParticle(a[i], b[i])) {
      return false;
    }
  }
  return true;
}

// A firework some way into its flight: launched, then scattered by hand.
void scatter() {
  particlePool = {};
  randomState = 1;
  launchBurst(Up);
  for (int i = 0; i < kParticleCount; ++i) {
    const int column = i % 40;
    const int row = i / 40;
    particlePool[i].position = {static_cast<float>(column - 20), static_cast<float>(row - 10), -5.0f};
    particlePool[i].life = 0.5f;
  }
}

TEST(Keys, EachLetterLaunchesItsBurstFromTheCurrentState) {
  struct Case {
    unsigned char key;
    const BurstPreset& preset;
  };
  const Case cases[] = {{'w', Up},   {'s', Down},   {'a', Left},      {'d', Right},
                        {'z', Away}, {'c', Toward}, {'r', Regenerate}};
  for (const Case& c : cases) {
    scatter();
    launchBurst(c.preset);
    const std::array<Particle, kParticleCount> expected = particlePool;
    const std::uint32_t expectedState = randomState;

    scatter();
    onKey(c.key, 400, 300);
    EXPECT_TRUE(samePool(particlePool, expected)) << "key " << c.key;
    EXPECT_EQ(randomState, expectedState) << "key " << c.key;
  }
}

TEST(Keys, RegenerateTwiceGivesTwoBurstsFromTheLaunchPoint) {
  scatter();
  onKey('r', 0, 0);
  const std::array<Particle, kParticleCount> first = particlePool;
  onKey('r', 0, 0);

  int differentSpeeds = 0;
  for (int i = 0; i < kParticleCount; ++i) {
    const Particle& p = particlePool[i];
    EXPECT_EQ(p.position.x, 0.0f);
    EXPECT_EQ(p.position.y, 8.0f);
    EXPECT_EQ(p.position.z, 0.0f);
    differentSpeeds += sameParticle(p, first[i]) ? 0 : 1;
  }
  EXPECT_GT(differentSpeeds, kParticleCount / 2); // the random sequence went on
}

TEST(Keys, LeftRelaunchesScatteredParticlesWhereTheyAre) {
  scatter();
  const std::array<Particle, kParticleCount> before = particlePool;
  onKey('a', 0, 0);
  for (int i = 0; i < kParticleCount; ++i) {
    const Particle& p = particlePool[i];
    EXPECT_EQ(p.position.x, before[i].position.x);
    EXPECT_EQ(p.position.y, before[i].position.y);
    EXPECT_EQ(p.pull.x, -4.9f);
    EXPECT_EQ(p.pull.y, 0.0f);
    EXPECT_EQ(p.life, 1.0f);
  }
}

TEST(Keys, EveryOtherCodeChangesNothing) {
  // Capitals (shift or caps lock), digits and all the rest, ESC aside.
  for (int code = 0; code < 256; ++code) {
    const auto key = static_cast<unsigned char>(code);
    if (key == 27 || key == 'a' || key == 'c' || key == 'd' || key == 'r' || key == 's' || key == 'w' || key == 'z') {
      continue;
    }
    scatter();
    const std::array<Particle, kParticleCount> before = particlePool;
    const std::uint32_t stateBefore = randomState;
    onKey(key, 10, 10);
    ASSERT_TRUE(samePool(particlePool, before)) << "code " << code;
    ASSERT_EQ(randomState, stateBefore) << "code " << code;
  }
}

} // namespace
