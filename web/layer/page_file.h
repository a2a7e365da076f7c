// page_file.h: the one file a page's program can open, built into it.
// Each page links its own definition (made by embed_file.cmake), so that
// the test pages can carry a sprite of the wrong length, or none.
#pragma once

#include <cstdint>

extern "C" {
extern const char pageFileName[];          // "particle.bmp"
extern const std::uint8_t pageFileBytes[]; // the file's contents
extern const long pageFileSize;            // its length in bytes, or -1 when the page has no such file
}
