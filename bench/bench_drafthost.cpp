// The whole way a user goes: drafthost starts, loads the plug-in, runs the
// script "(C:MOXIopenps2 "part.mf")", answers the insertion point and angle,
// and (in the second benchmark) writes the drawing as DXF before it exits.
// Wall time of the process per shape, from a thousand to a million shapes;
// BM_DrafthostStart is the same run with an empty script: what starting the
// host and loading the plug-in cost, to be set against the small sizes.
//
// Run: build/.../bench/bench_drafthost
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "metafile_generator.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A scratch directory with the settings directory, the scripts and the parts.
const fs::path& scratch() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("drw_bench_drafthost_" + std::to_string(::getpid()));
    fs::create_directories(d / "user");
    std::ofstream(d / "empty.scr") << "";
    return d;
  }();
  return dir;
}

// The script importing the generated part of that size, written once.
std::string scriptFor(std::size_t shapes) {
  static std::map<std::size_t, std::string> made;
  if (auto it = made.find(shapes); it != made.end()) return it->second;
  const std::string part = "part_" + std::to_string(shapes) + ".mf";
  std::ofstream(scratch() / part, std::ios::binary) << generateDrawing(shapes).metafile;
  const std::string script = "import_" + std::to_string(shapes) + ".scr";
  std::ofstream(scratch() / script) << "(C:MOXIopenps2 \"" << part << "\")\n0,0\n0\n";
  return made.emplace(shapes, script).first->second;
}

// Runs drafthost in the scratch directory; its command line goes to out.txt.
// False when it could not be started or did not exit with 0.
bool runHost(const std::vector<std::string>& args) {
  std::vector<std::string> argv{DRW_DRAFTHOST};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, scratch().c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return rc == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// True when the host's command line shows only the prompts: no message.
bool quietImport() {
  std::ifstream in(scratch() / "out.txt");
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line.rfind("Command:", 0) != 0 && line.rfind("Einf", 0) != 0 &&
        line.rfind("Drehwinkel", 0) != 0)
      return false;
  return true;
}

void importRun(benchmark::State& state, bool dxf) {
  const std::size_t shapes = static_cast<std::size_t>(state.range(0));
  const std::string script = scriptFor(shapes);
  std::vector<std::string> args;
  if (dxf) args = {"--dxf", "out.dxf"};
  args.push_back(script);
  for (auto _ : state) {
    if (!runHost(args) || !quietImport()) state.SkipWithError("drafthost failed; see out.txt");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * shapes));
}

void BM_DrafthostStart(benchmark::State& state) {
  for (auto _ : state)
    if (!runHost({"empty.scr"})) state.SkipWithError("drafthost failed");
}

void BM_DrafthostImport(benchmark::State& state) {
  importRun(state, false);
}
void BM_DrafthostImportAndDxf(benchmark::State& state) {
  importRun(state, true);
}

BENCHMARK(BM_DrafthostStart)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrafthostImport)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrafthostImportAndDxf)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The host reads the sample installation's linetypes; settings stay in scratch.
  ::setenv("DRAFTHOST_SUPPORT", DRW_SETUP_DIR, 1);
  ::setenv("HALDRIX_USER", (scratch() / "user").c_str(), 1);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  fs::remove_all(scratch());
  return 0;
}
