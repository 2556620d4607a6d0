// The one harness of the end-to-end tests: runs the built drafthost on a
// script in a scratch directory and collects its command line, trace, exit
// status and the command lines the catalogue launcher was started with.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#endif

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/system.h"

namespace fs = std::filesystem;
using nlohmann::json;
using Args = std::vector<std::string>;

// The build's programs and plug-in by their file names on this system.
#ifdef _WIN32
inline const std::string kExe = ".exe", kPlugin = "drwlink2.dll";
#else
inline const std::string kExe = "", kPlugin = "drwlink2.so";
#endif

// The default exchange files, "c:\acad2d.out" and "c:\acadxchg.sat": a
// drive's root on Windows, a file of that odd name in drafthost's working
// directory elsewhere.
inline const std::string kMetaFile = "c:\\acad2d.out", kSatFile = "c:\\acadxchg.sat";

// The arguments the catalogue launcher gets: itself, the program and the
// switches; a 2D launch ends with those of the default exchange file.
inline const Args k2dTail = {"-poke", "RECEIVERCADID=Autocad.2d", "-fm", "METAV2", "-o", kMetaFile};
inline Args launchOf(const std::string& launcher, const std::string& program, Args switches,
                     const Args& tail = k2dTail) {
  switches.insert(switches.begin(), {launcher, "-mview", program});
  switches.insert(switches.end(), tail.begin(), tail.end());
  return switches;
}

inline std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

// Trace values compared with numbers within the tolerance (relative for large
// ones), everything else exactly; the expectation is JSON text.
inline ::testing::AssertionResult listIs(const json& actual, const std::string& expected,
                                         double tolerance = 1e-9) {
  std::string where;
  auto same = [&](auto& self, const json& a, const json& b) -> bool {
    bool ok = a == b;
    if (a.is_number() && b.is_number())
      ok = std::fabs(a.get<double>() - b.get<double>()) <=
           tolerance * std::max(1.0, std::fabs(b.get<double>()));
    if (a.is_array() && b.is_array() && a.size() == b.size()) {
      for (std::size_t i = 0; i < a.size(); ++i)
        if (!self(self, a[i], b[i])) return false;
      return true;
    }
    if (!ok && where.empty()) where = a.dump() + " != " + b.dump();
    return ok;
  };
  if (same(same, actual, json::parse(expected))) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << where << "\nin " << actual.dump();
}

struct HostRun {
  int status = -1;
  std::string out, err;
  std::vector<json> trace;

  // The trace entries of one host function.
  std::vector<json> calls(const std::string& fn) const {
    std::vector<json> v;
    for (const json& e : trace)
      if (e["fn"] == fn) v.push_back(e);
    return v;
  }
  // The texts of ads_printf, ads_alert or ads_add_list, in call order.
  std::vector<std::string> texts(const std::string& fn) const {
    std::vector<std::string> v;
    for (const json& e : calls(fn)) v.push_back(e["text"]);
    return v;
  }
  // The argument lists of ads_command calls of one command; "" for all but
  // the command-echo switches.
  std::vector<json> commands(const std::string& name = "") const {
    std::vector<json> v;
    for (const json& e : calls("ads_command"))
      if (name.empty() ? e["args"][0][1] != "_cmdecho" : e["args"][0][1] == name)
        v.push_back(e["args"]);
    return v;
  }
  // The lists of the entities the host accepted, in order.
  std::vector<json> made() const {
    std::vector<json> v;
    for (const json& e : calls("ads_entmake"))
      if (e["rc"] == 5100) v.push_back(e["list"]);
    return v;
  }
};

class E2eTest : public ::testing::Test {
 protected:
  E2eTest() {
    dir = fs::temp_directory_path() /
          ("drw_e2e_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "user");
    for (const std::string& f : {kMetaFile, kSatFile}) fs::remove_all(exchangeFile(f));
  }
  ~E2eTest() override {
    fs::remove_all(dir);
    for (const std::string& f : {kMetaFile, kSatFile}) fs::remove_all(exchangeFile(f));
  }

  static std::string bin(const std::string& n) { return std::string(DRW_BINARY_DIR) + "/bin/" + n; }
  // A program of the build: bin/NAME, with .exe on Windows.
  static std::string program(const std::string& n) { return bin(n + kExe); }
  static std::string source(const std::string& p) { return std::string(DRW_SOURCE_DIR) + "/" + p; }
  std::string read(const std::string& name) const { return readFile(dir / name); }
  void write(const std::string& name, const std::string& text) const {
    fs::create_directories((dir / name).parent_path());
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  fs::path settingsPath() const { return dir / "user" / "acad2d.cfg"; }
  void writeSettings(const std::string& text) const { write("user/acad2d.cfg", text); }
  std::string settings() const { return read("user/acad2d.cfg"); }
  // Where a default exchange file is, seen from the test.
  fs::path exchangeFile(const std::string& name) const {
#ifdef _WIN32
    return fs::path(name);
#else
    return dir / name;
#endif
  }

  // drafthost in dir on the script with its own HALDRIX_USER, the sample
  // installation's linetypes, the launcher logging to moxistart.log and no
  // other plug-in or catalogue variables from the test's environment. `env`
  // adds "NAME=value ..." assignments (values may be in single quotes; on
  // POSIX a command after them wraps drafthost), `options` drafthost options
  // (words, single quotes group); big inputs run without a trace, which would
  // dwarf them.
  HostRun run(const std::string& script, const std::string& env = "",
              const std::string& options = "", bool trace = true) const {
    write("script.scr", script);
    fs::remove(dir / "moxistart.log");
#ifdef _WIN32
    return collect(runWindows(env, options, trace));
#else
    return collect(std::system(command(env, options, trace).c_str()));
#endif
  }

#ifdef _WIN32
  // The words of a command-line text: blanks separate, single quotes group.
  static Args words(const std::string& text) {
    Args out;
    std::string word;
    bool quoted = false, any = false;
    for (char c : text) {
      if (c == '\'') {
        quoted = !quoted;
        any = true;
      } else if (c == ' ' && !quoted) {
        if (any) out.push_back(word);
        word.clear();
        any = false;
      } else {
        word += c;
        any = true;
      }
    }
    if (any) out.push_back(word);
    return out;
  }

  // Starts drafthost.exe as the POSIX command line does: in dir, with the
  // environment changed, its output into out.txt and err.txt; its exit code.
  int runWindows(const std::string& env, const std::string& options, bool trace) const {
    std::vector<std::pair<std::string, std::string>> set = {
        {"HALDRIX_USER", (dir / "user").string()},
        {"DRAFTHOST_SUPPORT", source("setup")},
        { "MOXISTART_LOG",
          (dir / "moxistart.log").string() }};
    for (const std::string& w : words(env))
      set.emplace_back(w.substr(0, w.find('=')), w.substr(w.find('=') + 1));
    const Args unset = {"HALDRIX", "HALDRIX_SETUP", "HALDRIX_LANGUAGE", "MOXICATALOG_PART",
                        "MOXICATALOG_DELAY"};
    auto named = [](const std::string& entry, const std::string& name) {
      return entry.size() > name.size() && entry[name.size()] == '=' &&
             _strnicmp(entry.c_str(), name.c_str(), name.size()) == 0;
    };
    std::wstring block;
    for (const std::string& entry : platform::environmentEntries()) {
      bool drop = false;
      for (const std::string& n : unset) drop = drop || named(entry, n);
      for (const auto& [n, v] : set) drop = drop || named(entry, n);
      if (!drop) block += fs::path(entry).wstring() + L'\0';
    }
    for (const auto& [n, v] : set) block += fs::path(n + "=" + v).wstring() + L'\0';
    block += L'\0';

    std::string line = platform::quoteProgramName(program("drafthost"));
    if (trace) line += " --trace trace.jsonl";
    for (const std::string& w : words(options)) line += " " + platform::quoteArgument(w);
    line += " script.scr";
    std::wstring wide = fs::path(line).wstring();

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    auto open = [&](const char* name, DWORD access, DWORD how) {
      return ::CreateFileW((dir / name).wstring().c_str(), access,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, how, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    };
    HANDLE out = open("out.txt", GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = open("err.txt", GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE in = ::CreateFileW(L"NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info{};
    DWORD code = static_cast<DWORD>(-1);
    if (::CreateProcessW(nullptr, wide.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                         block.data(), dir.wstring().c_str(), &startup, &info)) {
      ::WaitForSingleObject(info.hProcess, INFINITE);
      ::GetExitCodeProcess(info.hProcess, &code);
      ::CloseHandle(info.hThread);
      ::CloseHandle(info.hProcess);
    } else {  // said in err.txt, so a failing case shows why nothing ran
      std::string why = "CreateProcessW failed: error " + std::to_string(::GetLastError()) + "\n";
      DWORD written = 0;
      ::WriteFile(err, why.data(), static_cast<DWORD>(why.size()), &written, nullptr);
    }
    for (HANDLE h : {out, err, in}) ::CloseHandle(h);
    return static_cast<int>(code);
  }
#else
  std::string command(const std::string& env, const std::string& options, bool trace) const {
    return "cd '" + dir.string() +
           "' && exec env -u HALDRIX -u HALDRIX_SETUP -u HALDRIX_LANGUAGE -u MOXICATALOG_PART"
           " -u MOXICATALOG_DELAY HALDRIX_USER='" +
           (dir / "user").string() + "' DRAFTHOST_SUPPORT='" + source("setup") +
           "' MOXISTART_LOG='" + (dir / "moxistart.log").string() + "' " + env + " '" +
           program("drafthost") + "' " + (trace ? "--trace trace.jsonl " : "") + options +
           " script.scr > out.txt 2> err.txt";
  }
#endif

  HostRun collect(int rc) const {
    HostRun r;
#ifdef _WIN32
    r.status = rc;
#else
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
#endif
    r.out = read("out.txt");
    r.err = read("err.txt");
    std::istringstream lines(read("trace.jsonl"));
    for (std::string line; std::getline(lines, line);) r.trace.push_back(json::parse(line));
    fs::remove(dir / "trace.jsonl");
    return r;
  }

  // Runs the script and presses Ctrl-C once drafthost reports that it waits
  // for a catalogue program (the functional wait gives up after 30 s). POSIX
  // only: a Windows program cannot send Ctrl-C to another without a console
  // (the Windows build checks Ctrl-C from outside, tests/e2e/ctrl_c.sh).
  HostRun runInterrupted(const std::string& script, const std::string& env,
                         const std::string& options) const {
#ifdef _WIN32
    (void)script, (void)env, (void)options;
    return HostRun{};
#else
    write("script.scr", script);
    fs::remove(dir / "moxistart.log");
    const std::string cmd = command(env, options, true);
    fs::remove(dir / "err.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 300 && !contains(read("err.txt"), "waiting for the catalogue"); ++i)
      ::usleep(100 * 1000);
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return collect(status);
#endif
  }

  // The argument vectors the launcher was started with in the last run.
  std::vector<Args> launches() const {
    std::vector<Args> runs;
    std::istringstream in(read("moxistart.log"));
    for (std::string line; std::getline(in, line);) runs.push_back(json::parse(line).get<Args>());
    return runs;
  }

  // A copy of the plug-in whose setup folder is dir/setup (language files
  // and programs still those of the build); returns the option that loads it.
  std::string ownSetup() const {
    fs::create_directories(dir / "setup");
    write("plug/start.env",
          "[ENVIRONS]\nHALDRIX=" + source("setup") + "\nHALDRIX_SETUP=" + (dir / "setup").string() +
              "\nHALDRIX_BIN=" + DRW_BINARY_DIR + "/bin\nHALDRIX_EXESUFFIX=" + kExe + "\n");
    fs::copy_file(bin(kPlugin), dir / "plug" / kPlugin);
    return "--plugin '" + (dir / "plug" / kPlugin).string() + "'";
  }

  fs::path dir;
};
