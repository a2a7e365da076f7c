#include "screen_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

// Scales one colour channel of a pixel to 0..255 using its mask.
std::uint8_t channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) {
    return 0;
  }
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) {
    ++shift;
  }
  const unsigned long top = mask >> shift;
  return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255u / top);
}

} // namespace

ScreenImage captureScreen(int x, int y, int width, int height) {
  ScreenImage image;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    return image;
  }
  XImage* shot = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                           static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (shot != nullptr) {
    image.width = width;
    image.height = height;
    image.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    std::uint8_t* out = image.rgb.data();
    for (int row = 0; row < height; ++row) {
      for (int column = 0; column < width; ++column) {
        const unsigned long pixel = XGetPixel(shot, column, row);
        *out++ = channel(pixel, shot->red_mask);
        *out++ = channel(pixel, shot->green_mask);
        *out++ = channel(pixel, shot->blue_mask);
      }
    }
    XDestroyImage(shot);
  }
  XCloseDisplay(display);
  return image;
}
