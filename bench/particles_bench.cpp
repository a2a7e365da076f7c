// particles_bench: the particle arithmetic over the whole 800-particle pool,
// without a display. Each benchmark reports its time per particle.
#include "particles.h"

#include <benchmark/benchmark.h>

namespace {

// Time per particle: the inverse of particles handled per second.
void reportPerParticle(benchmark::State& state) {
  state.counters["per_particle"] = benchmark::Counter(static_cast<double>(state.iterations()) * kParticleCount,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A burst: four random draws, a palette look-up and the record written.
void launchBurstBenchmark(benchmark::State& state) {
  for (auto _ : state) {
    launchBurst(Regenerate);
    benchmark::ClobberMemory();
  }
  reportPerParticle(state);
}
BENCHMARK(launchBurstBenchmark)->Name("launchBurst");

// The advance step alone: move, pull, fade and wrap.
void advanceBenchmark(benchmark::State& state) {
  launchBurst(Regenerate);
  for (auto _ : state) {
    for (Particle& particle : particlePool) {
      advanceParticle(particle);
    }
    benchmark::ClobberMemory();
  }
  reportPerParticle(state);
}
BENCHMARK(advanceBenchmark)->Name("advanceParticle");

// All the arithmetic a frame does per particle: the square's corners and
// depth, then the advance step. What is left of a frame is the GL calls.
void frameArithmeticBenchmark(benchmark::State& state) {
  launchBurst(Regenerate);
  for (auto _ : state) {
    for (Particle& particle : particlePool) {
      SpriteQuad quad = spriteQuad(particle);
      benchmark::DoNotOptimize(quad);
      advanceParticle(particle);
    }
    benchmark::ClobberMemory();
  }
  reportPerParticle(state);
}
BENCHMARK(frameArithmeticBenchmark)->Name("frameArithmetic");

} // namespace

BENCHMARK_MAIN();
