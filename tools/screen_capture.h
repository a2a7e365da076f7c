// screen_capture.h: reads what an X display shows, as a user would see it.
#pragma once

#include <cstdint>
#include <vector>

struct ScreenImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb; // top row first, three bytes a pixel

  // Red, green and blue added up at (x, y), counted from the top left.
  [[nodiscard]] int brightness(int x, int y) const {
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return p[0] + p[1] + p[2];
  }
};

// The rectangle at (x, y) of the default screen of $DISPLAY, or an empty
// image when there is no display or the rectangle is off screen.
ScreenImage captureScreen(int x, int y, int width, int height);
