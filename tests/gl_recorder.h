// gl_recorder.h: stands in for OpenGL, GLU and GLUT in tests without a display.
//
// gl_recorder.cpp defines every graphics function the firework calls. Linked
// into a test executable, these definitions take the place of the system
// libraries' ones, so each call is recorded, in order, with its arguments
// widened to double (exact for every float and integer argument).
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

struct GlCall {
  std::string_view name;
  int argumentCount = 0;
  std::array<double, 9> arguments{};

  GlCall() = default;
  GlCall(std::string_view callName, std::initializer_list<double> values);
  bool operator==(const GlCall& other) const;
};

std::ostream& operator<<(std::ostream& out, const GlCall& call);

// Everything called since the last clear.
extern std::vector<GlCall> recordedCalls;
// The pixels of the last glTexImage2D, assuming rows of width × 3 bytes.
extern std::vector<std::uint8_t> uploadedPixels;

// Where two call lists first part, described for a failure message; empty
// when they are equal.
std::string firstDifference(const std::vector<GlCall>& actual, const std::vector<GlCall>& expected);
