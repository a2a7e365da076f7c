// raw_image.h: loader for headerless RGB pixel files.
//
// A raw image file is nothing but rows of 8-bit red, green, blue pixels, the
// bottom row first, each row left to right and padded to a multiple of four
// bytes. There is no header and no magic number: the only check is that the
// file is exactly stride × height bytes long. The loader prints nothing; on
// failure it returns false and leaves a short reason in rawImageFailure.
#pragma once

#include <cstdint>
#include <memory>

struct RawImage {
  std::int32_t width = 0;                 // pixels per row, as requested
  std::int32_t height = 0;                // rows, as requested
  std::unique_ptr<std::uint8_t[]> pixels; // stride × height bytes, the whole file
};

// Bytes per row: three per pixel, rounded up to a multiple of 4, which is
// also OpenGL's default unpack alignment.
std::uint32_t rawImageStride(std::int32_t width);

// Reads the file at `path` into `image`. Always stores the requested width and
// height; returns true only when `image.pixels` holds the whole file. Fails for
// a width or height below 1, a size beyond 32 bits, a file that cannot be
// opened, a file of any other length and a read that comes up short.
bool loadRawImage(const char* path, std::int32_t width, std::int32_t height, RawImage& image);

// Why the last failed loadRawImage failed, in a few words; empty before any
// failure. Never cleared, so read it only right after a false result.
extern const char* rawImageFailure;
