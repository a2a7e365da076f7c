// Bursts and frames allocate nothing: every C++ allocation in the process
// and every malloc made by the firework's own code is counted around them.
#include "keyboard.h"
#include "particles.h"

#include <GL/freeglut_std.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Atomic so that the compiler cannot keep it in a register across a call to
// malloc, which it assumes leaves the program's variables alone.
std::atomic<long> allocations{0};

} // namespace

// The link wraps malloc, calloc and realloc for the project's own objects
// (see CMakeLists.txt), so these see the C allocations its code makes. The
// linker decides their names.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void* __wrap_malloc(std::size_t size) {
  ++allocations;
  return __real_malloc(size);
}
void* __wrap_calloc(std::size_t count, std::size_t size) {
  ++allocations;
  return __real_calloc(count, size);
}
void* __wrap_realloc(void* block, std::size_t size) {
  ++allocations;
  return __real_realloc(block, size);
}
}

// Every operator new of the process goes through these.
void* operator new(std::size_t size) {
  ++allocations;
  if (void* block = __real_malloc(size == 0 ? 1 : size)) {
    return block;
  }
  std::abort(); // the project builds without exceptions to throw
}
// NOLINTEND(bugprone-reserved-identifier)
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t /*size*/) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t /*size*/) noexcept { std::free(block); }

// The frame step's graphics calls, as no-ops: this test needs no display.
void glClear(GLbitfield /*mask*/) {}
void glMatrixMode(GLenum /*mode*/) {}
void glLoadIdentity() {}
void glColor4f(GLfloat /*r*/, GLfloat /*g*/, GLfloat /*b*/, GLfloat /*a*/) {}
void glBegin(GLenum /*mode*/) {}
void glEnd() {}
void glTexCoord2d(GLdouble /*s*/, GLdouble /*t*/) {}
void glVertex3f(GLfloat /*x*/, GLfloat /*y*/, GLfloat /*z*/) {}
void glutSwapBuffers() {}

namespace {

TEST(Allocations, NoneDuringBurstsOrFrames) {
  const long before = allocations;
  launchBurst(Up);
  for (int frame = 0; frame < 50; ++frame) {
    frameStep();
  }
  for (const unsigned char key : {'r', 'a', 'w', 's', 'd', 'z', 'c'}) {
    onKey(key, 0, 0);
    frameStep();
  }
  const long during = allocations - before;
  EXPECT_EQ(during, 0);

  // The counters do see allocations when there are some.
  int* volatile number = new int(1);
  delete number;
  void* volatile block = std::malloc(8);
  std::free(block);
  EXPECT_EQ(allocations - before, 2);
}

} // namespace
