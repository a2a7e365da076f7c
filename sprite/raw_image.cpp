#include "raw_image.h"

#include <cstdio>
#include <new>

const char* rawImageFailure = "";

std::uint32_t rawImageStride(std::int32_t width) { return (3u * static_cast<std::uint32_t>(width) + 3u) & ~3u; }

namespace {

// A failed load keeps no pixels, so a half-filled buffer is never mistaken
// for an image.
bool fail(RawImage& image, const char* reason) {
  image.pixels.reset();
  rawImageFailure = reason;
  return false;
}

// Stride × height, or 0 when either side is below 1 or the stride or the
// size would not fit in the 32 bits the format's arithmetic uses.
std::uint32_t expectedSize(std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1 || static_cast<std::uint32_t>(width) > (UINT32_MAX - 3u) / 3u) {
    return 0;
  }
  const std::uint64_t size = std::uint64_t{rawImageStride(width)} * static_cast<std::uint64_t>(height);
  return size > UINT32_MAX ? 0 : static_cast<std::uint32_t>(size);
}

} // namespace

bool loadRawImage(const char* path, std::int32_t width, std::int32_t height, RawImage& image) {
  image.width = width;
  image.height = height;
  image.pixels.reset();

  const std::uint32_t size = expectedSize(width, height);
  if (size == 0) {
    return fail(image, "image size out of range");
  }
  image.pixels.reset(new (std::nothrow) std::uint8_t[size]);
  if (!image.pixels) {
    return fail(image, "out of memory");
  }

  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    return fail(image, "cannot open file");
  }
  // The length alone tells a pixel file of these dimensions from anything else.
  const bool lengthMatches = std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) == static_cast<long>(size);
  if (!lengthMatches) {
    std::fclose(file);
    return fail(image, "wrong file length");
  }
  // A read can still come up short: the file may shrink after its length was
  // taken, or the path may name something that is not a regular file.
  const bool readWhole = std::fseek(file, 0, SEEK_SET) == 0 && std::fread(image.pixels.get(), 1, size, file) == size;
  std::fclose(file);
  if (!readWhole) {
    return fail(image, "short read");
  }
  return true;
}
