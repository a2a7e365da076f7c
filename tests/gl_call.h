// gl_call.h: one recorded graphics call, with its arguments widened to
// double (exact for every float and integer argument), and how two lists of
// them differ. Shared by the recorders of the firework's OpenGL calls
// (gl_recorder.cpp) and of the browser layer's WebGL calls.
#pragma once

#include <array>
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

// Where two call lists first part, described for a failure message; empty
// when they are equal.
std::string firstDifference(const std::vector<GlCall>& actual, const std::vector<GlCall>& expected);
