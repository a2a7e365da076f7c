// gl_recorder.h: stands in for OpenGL, GLU and GLUT in tests without a display.
//
// gl_recorder.cpp defines every graphics function the firework calls. Linked
// into a test executable, these definitions take the place of the system
// libraries' ones, so each call is recorded, in order, as a GlCall.
#pragma once

#include "gl_call.h"

#include <cstdint>
#include <vector>

// Everything called since the last clear.
extern std::vector<GlCall> recordedCalls;
// The pixels of the last glTexImage2D, assuming rows of width × 3 bytes.
extern std::vector<std::uint8_t> uploadedPixels;
