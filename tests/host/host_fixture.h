// A host with a scripted input and captured command line, for tests that call
// the host functions directly, and entity lists written as short texts.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"
#include "plugin/ads.h"

class ScriptedLines : public drafthost::LineSource {
 public:
  std::optional<std::string> nextLine() override {
    if (lines.empty()) return std::nullopt;
    std::string line = lines.front();
    lines.pop_front();
    return line;
  }
  std::deque<std::string> lines;
};

class HostTest : public ::testing::Test {
 protected:
  HostTest() : host(out) { host.setInput(&input); }

  // Answers for the prompts to come.
  void answer(std::vector<std::string> lines) {
    for (auto& l : lines) input.lines.push_back(l);
  }

  std::ostringstream out;
  ScriptedLines input;
  drafthost::Host host;
};

inline const drafthost::Group& groupOf(const drafthost::GroupList& g, int code, int nth = 0) {
  for (const auto& x : g)
    if (x.code == code && nth-- == 0) return x;
  static drafthost::Group none;
  ADD_FAILURE() << "group " << code << " missing";
  return none;
}

// An entity list written as "TYPE code=value ...": points as x,y[,z], angles
// in degrees with a trailing 'd', entity names as the entity's id; the kind of
// each value follows from its code.
inline drafthost::GroupList entityList(const std::string& text) {
  using namespace drafthost;
  std::istringstream in(text);
  GroupList list;
  for (std::string word; in >> word;) {
    const std::size_t eq = word.find('=') + 1;  // 0 for the type
    const int code = eq ? std::stoi(word) : 0;
    const std::string v = word.substr(eq);
    const double x =
        std::strtod(v.c_str(), nullptr) * (!v.empty() && v.back() == 'd' ? kPi / 180 : 1);
    Point p{};
    std::sscanf(v.c_str(), "%lf,%lf,%lf", &p[0], &p[1], &p[2]);
    const ValueKind kind = kindOf(code);
    list.push_back(kind == ValueKind::Point    ? Group::pt(code, p)
                   : kind == ValueKind::Real   ? Group::number(code, x)
                   : kind == ValueKind::String ? Group::str(code, v)
                   : kind == ValueKind::Name   ? Group::ename(code, {int32_t(x), kEntityTag})
                                               : Group::integral(code, int32_t(x)));
  }
  return list;
}

// A hatch bounded by a line, an arc and an elliptic arc edge and by the entity
// `boundary`, with one pattern line and one seed point; `edges` and `refs` are
// the counts it announces (3 and 1 are right).
inline std::string hatchList(int boundary, int edges = 3, int refs = 1) {
  return "HATCH 10=0,0 210=0,0,1 2=_U 70=0 71=1 91=1 92=0 93=" + std::to_string(edges) +
         " 72=1 10=1,0 11=3,0 72=2 10=1,2,7 40=3 50=45d 51=180d 73=1"
         " 72=3 10=5,0 11=2,0 40=0.5 50=0 51=1 73=1 97=" +
         std::to_string(refs) + " 330=" + std::to_string(boundary) +
         " 75=0 76=1 52=45d 41=5 77=0 78=1 53=45d 43=1 44=0 45=0 46=5 79=0 98=1 10=4,5,6";
}
