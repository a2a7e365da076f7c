// window_stubs.cpp: the GLUT window calls of openWindow (app/scene.cpp),
// for the GL-trace suite on Windows, which links no GLUT: the suite never
// opens a window, so each of these ends the test if it is ever called.
// (freeglut's header gives glutInit and glutCreateWindow these names on
// Windows.)
#include <GL/freeglut_std.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void notInThisSuite(const char* call) {
  std::fprintf(stderr, "gl_trace_test: %s called, but this suite opens no window\n", call);
  std::abort();
}

} // namespace

// The reserved names are freeglut's own, which these stand in for.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void __glutInitWithExit(int* /*argc*/, char** /*argv*/, void(__cdecl* /*exit*/)(int)) { notInThisSuite("glutInit"); }
int __glutCreateWindowWithExit(const char* /*title*/, void(__cdecl* /*exit*/)(int)) {
  notInThisSuite("glutCreateWindow");
}
}
// NOLINTEND(bugprone-reserved-identifier)

void glutInitDisplayMode(unsigned int /*mode*/) { notInThisSuite("glutInitDisplayMode"); }
void glutInitWindowSize(int /*width*/, int /*height*/) { notInThisSuite("glutInitWindowSize"); }
void glutInitWindowPosition(int /*x*/, int /*y*/) { notInThisSuite("glutInitWindowPosition"); }
