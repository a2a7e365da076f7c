// make_sprite.cpp: writes the particle sprite, a soft round white glow.
//
// Usage: make_sprite OUTPUT
// Writes 32 × 32 headerless RGB pixels (3072 bytes, bottom row first) to
// OUTPUT. The glow is brightest in the middle and falls off with the square
// of the distance to black at a radius of 16 pixels, so the square's edges
// and corners add nothing when 800 of them are blended together. It is
// white: each particle's colour tints it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t kSize = 32;
constexpr std::size_t kStride = 3 * kSize; // already a multiple of 4

std::vector<std::uint8_t> glowPixels() {
  std::vector<std::uint8_t> pixels(kStride * kSize);
  const double centre = kSize / 2.0;
  for (std::size_t row = 0; row < kSize; ++row) {
    for (std::size_t column = 0; column < kSize; ++column) {
      const double distance =
          std::hypot(static_cast<double>(column) + 0.5 - centre, static_cast<double>(row) + 0.5 - centre) / centre;
      const double falloff = distance < 1.0 ? 1.0 - distance : 0.0;
      const auto level = static_cast<std::uint8_t>(std::lround(255.0 * falloff * falloff));
      std::uint8_t* pixel = &pixels[row * kStride + column * 3];
      pixel[0] = pixel[1] = pixel[2] = level;
    }
  }
  return pixels;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sprite OUTPUT\n");
    return 2;
  }
  const std::vector<std::uint8_t> pixels = glowPixels();
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "make_sprite: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
