// Importing a generated drawing (figures of up to 2000 shapes, half of them
// grouped, with texts, curves and hatches) into the host library: the time
// per shape must stay flat from a thousand to a million shapes, in big
// figures and in a great many small ones.
//
// Run: build/.../bench/bench_import
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "host.h"
#include "import_setup.h"
#include "metafile_generator.h"
#include "plugin/interface_settings.h"
#include "transfer/import.h"

namespace {

// The generated files, one per size and figure size measured.
std::map<std::pair<std::size_t, std::size_t>, std::string> files;

// One generated file per size, written once.
const std::string& metafileOf(std::size_t shapes, std::size_t perFigure) {
  auto it = files.find({shapes, perFigure});
  if (it != files.end()) return it->second;
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("drw_bench_import_" + std::to_string(::getpid()) + "_" +
                             std::to_string(shapes) + "_" + std::to_string(perFigure) + ".mf"))
                               .string();
  std::ofstream(path, std::ios::binary) << generateDrawing(shapes, 12345, perFigure).metafile;
  return files.emplace(std::make_pair(shapes, perFigure), path).first->second;
}

// Figures of up to `perFigure` shapes. BM_ImportSmallFigures uses figures of
// 10 shapes, half of them grouped: 50,000 blocks at the largest size, so that
// block naming and block making must scale too.
void importBenchmark(benchmark::State& state, std::size_t perFigure) {
  const std::size_t shapes = static_cast<std::size_t>(state.range(0));
  const std::string& path = metafileOf(shapes, perFigure);
  std::size_t entities = 0, blocks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::ostringstream out;
    auto host = std::make_unique<drafthost::Host>(out);
    InterfaceSettings settings;
    host->cmdecho = 0;  // as the plug-in's commands set it
    if (!prepareImport(settings)) {
      state.SkipWithError(("line styles: " + out.str()).c_str());
      break;
    }
    ads_name set;
    ads_ssadd(nullptr, nullptr, set);
    state.ResumeTiming();
    const int result = importMetafile(settings, path, set, 0, 0, 0, 0);
    state.PauseTiming();
    // The generated drawing is valid: any message means a shape went missing.
    const std::string failure = result != 1 || !out.str().empty() ? "import: " + out.str() : "";
    entities = host->drawing.mainEntities(0).size();
    blocks = host->drawing.blocks().records().size();
    ads_ssfree(set);
    host.reset();
    state.ResumeTiming();
    if (!failure.empty()) {
      state.SkipWithError(failure.substr(0, 500).c_str());
      break;
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * shapes));
  state.counters["top_level_entities"] = static_cast<double>(entities);
  state.counters["blocks"] = static_cast<double>(blocks);
}

void BM_ImportMetafile(benchmark::State& state) {
  importBenchmark(state, 2000);
}
void BM_ImportSmallFigures(benchmark::State& state) {
  importBenchmark(state, 10);
}

BENCHMARK(BM_ImportMetafile)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportSmallFigures)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const auto& [size, path] : files) std::remove(path.c_str());
  return 0;
}
