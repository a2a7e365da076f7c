#include "gl_call.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

GlCall::GlCall(std::string_view callName, std::initializer_list<double> values)
    : name(callName), argumentCount(static_cast<int>(values.size())) {
  std::copy(values.begin(), values.end(), arguments.begin());
}

bool GlCall::operator==(const GlCall& other) const {
  // Bitwise for the values that matter: -0 and 0 differ, as they would on screen.
  return name == other.name && argumentCount == other.argumentCount &&
         std::equal(arguments.begin(), arguments.begin() + argumentCount, other.arguments.begin(),
                    [](double a, double b) { return a == b && std::signbit(a) == std::signbit(b); });
}

std::ostream& operator<<(std::ostream& out, const GlCall& call) {
  out << call.name << '(';
  for (int i = 0; i < call.argumentCount; ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%.9g", i == 0 ? "" : ", ", call.arguments[i]);
    out << text;
  }
  return out << ')';
}

std::string firstDifference(const std::vector<GlCall>& actual, const std::vector<GlCall>& expected) {
  const std::size_t common = std::min(actual.size(), expected.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (!(actual[i] == expected[i])) {
      std::ostringstream out;
      out << "call " << i << " is " << actual[i] << ", expected " << expected[i];
      return out.str();
    }
  }
  if (actual.size() != expected.size()) {
    std::ostringstream out;
    out << actual.size() << " calls, expected " << expected.size();
    return out.str();
  }
  return {};
}
