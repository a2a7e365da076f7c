#include "keyboard.h"

#include "particles.h"

#include <cstdlib>

namespace {

constexpr unsigned char kEscape = 27;

} // namespace

void onKey(unsigned char key, int /*x*/, int /*y*/) {
  switch (key) {
  case kEscape:
    // Nothing of the program's own needs releasing; control never returns
    // to the event loop.
    std::exit(EXIT_SUCCESS);
  case 'a':
    launchBurst(Left);
    break;
  case 'c':
    launchBurst(Toward);
    break;
  case 'd':
    launchBurst(Right);
    break;
  case 'r':
    launchBurst(Regenerate);
    break;
  case 's':
    launchBurst(Down);
    break;
  case 'w':
    launchBurst(Up);
    break;
  case 'z':
    launchBurst(Away);
    break;
  default:
    break; // capitals included: the letters act in lower case only
  }
}
