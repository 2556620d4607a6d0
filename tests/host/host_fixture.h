// A host with a scripted input and captured command line, for tests that call
// the host functions directly.
#pragma once

#include <gtest/gtest.h>

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

  // Entity list -> RTNORM or RTERROR through ads_entmake.
  int make(resbuf* list) {
    int rc = ads_entmake(list);
    ads_relrb(list);
    return rc;
  }

  // The groups of the last main entity.
  drafthost::GroupList lastGroups() {
    ads_name e;
    if (ads_entlast(e) != RTNORM) return {};
    return groupsOf(e);
  }

  drafthost::GroupList groupsOf(const ads_name e) {
    resbuf* rb = ads_entget(e);
    drafthost::GroupList g = drafthost::fromChain(rb);
    ads_relrb(rb);
    return g;
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
