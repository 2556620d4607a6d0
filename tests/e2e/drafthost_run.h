// Runs the built drafthost on a script in a scratch directory and collects
// its command line, trace and exit status.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

struct HostRun {
  int status = -1;
  std::string out, err;
  std::vector<nlohmann::json> trace;

  // The trace entries of one host function.
  std::vector<nlohmann::json> calls(const std::string& fn) const {
    std::vector<nlohmann::json> v;
    for (const auto& e : trace)
      if (e["fn"] == fn) v.push_back(e);
    return v;
  }
  std::vector<std::string> fns() const {
    std::vector<std::string> v;
    for (const auto& e : trace) v.push_back(e["fn"]);
    return v;
  }
};

class E2eTest : public ::testing::Test {
 protected:
  E2eTest() {
    dir = std::filesystem::temp_directory_path() /
          ("drw_e2e_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir / "user");
  }
  ~E2eTest() override { std::filesystem::remove_all(dir); }

  static std::string binary() { return std::string(DRW_BINARY_DIR) + "/bin/drafthost"; }

  static std::string read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Runs drafthost with the script text and extra options, with its own
  // HALDRIX_USER and no other plug-in environment.
  HostRun run(const std::string& script, const std::string& options = "") {
    std::ofstream(dir / "script.scr", std::ios::binary) << script;
    std::string cmd = "cd '" + dir.string() + "' && env -u HALDRIX -u HALDRIX_SETUP" +
                      " -u HALDRIX_LANGUAGE HALDRIX_USER='" + (dir / "user").string() + "' '" +
                      binary() + "' --trace trace.jsonl " + options +
                      " script.scr > out.txt 2> err.txt";
    HostRun r;
    int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read(dir / "out.txt");
    r.err = read(dir / "err.txt");
    std::istringstream lines(read(dir / "trace.jsonl"));
    std::string line;
    while (std::getline(lines, line)) r.trace.push_back(nlohmann::json::parse(line));
    return r;
  }

  std::filesystem::path dir;
};

// For tests that run the catalogue commands: the launcher logs each command
// line it gets, linetypes come from the sample installation, and the
// catalogue programs deliver their default parts.
class CatalogueRunTest : public E2eTest {
 protected:
  using Args = std::vector<std::string>;

  CatalogueRunTest() {
    log = (dir / "moxistart.log").string();
    ::setenv("MOXISTART_LOG", log.c_str(), 1);
    ::setenv("DRAFTHOST_SUPPORT", (std::string(DRW_SOURCE_DIR) + "/setup").c_str(), 1);
    ::unsetenv("MOXICATALOG_PART");
  }
  ~CatalogueRunTest() override {
    for (const char* v : {"MOXISTART_LOG", "DRAFTHOST_SUPPORT", "MOXICATALOG_PART"}) ::unsetenv(v);
  }

  // The argument vectors the launcher was started with, one per launch.
  std::vector<Args> launches() {
    std::vector<Args> runs;
    std::istringstream in(read(log));
    std::string line;
    while (std::getline(in, line)) runs.push_back(nlohmann::json::parse(line).get<Args>());
    return runs;
  }

  std::string log;
};
