// What the configuration tests share: the steps of a call sequence compared as
// text, a temporary directory per test, and whole files read and written.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <concepts>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace cfgtest {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

// One observation in a sequence of calls: what it gave and what it should give.
struct Step {
  const char* name;
  std::string got, expected;
};
inline void expectSteps(const std::vector<Step>& steps) {
  for (const Step& s : steps) EXPECT_EQ(s.got, s.expected) << s.name;
}

// Results joined in the order written ("<<" sequences its operands, "+" does
// not): true "+", false "-", integers in decimal, names in parentheses.
struct Text {
  std::string text;
  Text& operator<<(const std::string& s) { return text += s, *this; }
  Text& operator<<(const char* s) { return text += s, *this; }
  Text& operator<<(bool b) { return text += b ? "+" : "-", *this; }
  Text& operator<<(std::integral auto i) { return text += std::to_string(i), *this; }
  Text& operator<<(const Names& names) {
    for (const std::string& n : names) text += "(" + n + ")";
    return *this;
  }
  operator std::string() const { return text; }
};

// A Text (or any text) against the expected text, both printed as text.
#define EXPECT_TEXT(got, expected) EXPECT_EQ(std::string(got), std::string(expected))

inline std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void writeFile(const fs::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

// A fresh directory for the running test, removed with all it holds.
struct TempDir {
  const fs::path path = fs::temp_directory_path() / ("drw-cfg-" + std::to_string(::getpid()));
  TempDir() { fs::create_directories(path); }
  ~TempDir() { fs::remove_all(path); }
};

}  // namespace cfgtest
