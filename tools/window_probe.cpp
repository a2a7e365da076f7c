// window_probe: looks at the firework's window as a user would, for the
// end-to-end key test and the desktop screenshot.
//
// Usage: window_probe measure   prints "lit N x Y": how many pixels of the
//                               window are not black, and where their centre
//                               is, in pixels from the window's top left
//        window_probe save FILE writes the window's picture as a binary PPM
// Both find the window by its title on $DISPLAY and exit 1 when it is not
// there.
#include "screen_capture.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kTitle = "Particle System: Firework";

struct Placement {
  int x = 0, y = 0, width = 0, height = 0;
};

// Depth-first search of the window tree for a window with the title.
bool findWindow(Display* display, Window window, Placement& placement) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) != 0 && name != nullptr) {
    const bool match = std::strcmp(name, kTitle) == 0;
    XFree(name);
    if (match) {
      XWindowAttributes attributes;
      Window child;
      XGetWindowAttributes(display, window, &attributes);
      XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &placement.x, &placement.y, &child);
      placement.width = attributes.width;
      placement.height = attributes.height;
      return true;
    }
  }
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  bool found = false;
  if (XQueryTree(display, window, &root, &parent, &children, &count) != 0) {
    for (unsigned i = 0; i < count && !found; ++i) {
      found = findWindow(display, children[i], placement);
    }
    XFree(children);
  }
  return found;
}

} // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (!(command == "measure" && argc == 2) && !(command == "save" && argc == 3)) {
    std::fprintf(stderr, "usage: window_probe measure | window_probe save FILE\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "window_probe: cannot open the display\n");
    return 1;
  }
  Placement placement;
  const bool found = findWindow(display, DefaultRootWindow(display), placement);
  XCloseDisplay(display);
  if (!found) {
    std::fprintf(stderr, "window_probe: no window titled \"%s\"\n", kTitle);
    return 1;
  }

  const ScreenImage shown = captureScreen(placement.x, placement.y, placement.width, placement.height);
  if (shown.width == 0) {
    std::fprintf(stderr, "window_probe: cannot read the window\n");
    return 1;
  }
  if (command == "save") {
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) {
      std::perror(argv[2]);
      return 1;
    }
    std::fprintf(file, "P6\n%d %d\n255\n", shown.width, shown.height);
    std::fwrite(shown.rgb.data(), 1, shown.rgb.size(), file);
    return std::fclose(file) == 0 ? 0 : 1;
  }

  int lit = 0;
  double sumX = 0;
  double sumY = 0;
  for (int y = 0; y < shown.height; ++y) {
    for (int x = 0; x < shown.width; ++x) {
      if (shown.brightness(x, y) > 0) {
        ++lit;
        sumX += x;
        sumY += y;
      }
    }
  }
  std::printf("lit %d %.0f %.0f\n", lit, lit > 0 ? sumX / lit : -1.0, lit > 0 ? sumY / lit : -1.0);
  return 0;
}
