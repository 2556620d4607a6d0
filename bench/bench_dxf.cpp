// Writing the host's drawing as DXF: the generated drawing of bench_import is
// imported once per size, then written to a file; the time per shape must stay
// flat from a thousand to a million shapes. BM_WriteDxfWithDxflib writes the
// same drawing with dxflib (read from our file once), the C++ peer to compare.
//
// Run: build/.../bench/bench_dxf
// With DRW_BENCH_KEEP_DXF=DIR each drawing is also left as DIR/drawing_N.dxf,
// the input of bench/ezdxf_reference.py.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "dxf_writer.h"
#include "dxflib_reference.h"
#include "host.h"
#include "import_setup.h"
#include "metafile_generator.h"
#include "plugin/interface_settings.h"
#include "transfer/import.h"

namespace {

std::string scratch(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("drw_bench_dxf_" + std::to_string(::getpid()) + "_" + name))
      .string();
}

// The imported drawing of each size, made once; the host stays alive with it.
struct Imported {
  std::ostringstream out;
  std::unique_ptr<drafthost::Host> host;
};

drafthost::Host* drawingOf(std::size_t shapes) {
  static std::map<std::size_t, std::unique_ptr<Imported>> made;
  auto it = made.find(shapes);
  if (it != made.end()) return it->second->host.get();
  const std::string path = scratch(std::to_string(shapes) + ".mf");
  std::ofstream(path, std::ios::binary) << generateDrawing(shapes).metafile;
  auto imported = std::make_unique<Imported>();
  imported->host = std::make_unique<drafthost::Host>(imported->out);
  InterfaceSettings settings;
  imported->host->cmdecho = 0;  // as the plug-in's commands set it
  if (!prepareImport(settings)) return nullptr;
  ads_name set;
  ads_ssadd(nullptr, nullptr, set);
  const int result = importMetafile(settings, path, set, 0, 0, 0, 0);
  ads_ssfree(set);
  std::remove(path.c_str());
  // The generated drawing is valid: any message means a shape went missing.
  if (result != 1 || !imported->out.str().empty()) return nullptr;
  return made.emplace(shapes, std::move(imported)).first->second->host.get();
}

void BM_WriteDxf(benchmark::State& state) {
  const std::size_t shapes = static_cast<std::size_t>(state.range(0));
  drafthost::Host* host = drawingOf(shapes);
  if (!host) {
    state.SkipWithError("import failed");
    return;
  }
  const std::string path = scratch(std::to_string(shapes) + ".dxf");
  std::string error;
  for (auto _ : state) {
    if (!drafthost::writeDxfFile(host->drawing, drafthost::DxfOptions{}, path, &error))
      state.SkipWithError(error.c_str());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * shapes));
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  if (const char* keep = std::getenv("DRW_BENCH_KEEP_DXF"); keep && *keep)
    std::filesystem::copy_file(
        path, std::filesystem::path(keep) / ("drawing_" + std::to_string(shapes) + ".dxf"),
        std::filesystem::copy_options::overwrite_existing);
  std::remove(path.c_str());
}

void BM_WriteDxfWithDxflib(benchmark::State& state) {
  const std::size_t shapes = static_cast<std::size_t>(state.range(0));
  drafthost::Host* host = drawingOf(shapes);
  const std::string ours = scratch(std::to_string(shapes) + "_ours.dxf");
  std::string error;
  DxflibDrawing drawing;
  const bool ready =
      host && drafthost::writeDxfFile(host->drawing, drafthost::DxfOptions{}, ours, &error) &&
      drawing.read(ours);
  std::remove(ours.c_str());
  if (!ready) {
    state.SkipWithError("import or reading our DXF with dxflib failed");
    return;
  }
  const std::string path = scratch(std::to_string(shapes) + "_dxflib.dxf");
  for (auto _ : state) {
    if (!drawing.write(path)) state.SkipWithError("dxflib could not write");
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * shapes));
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  std::remove(path.c_str());
}

BENCHMARK(BM_WriteDxf)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK(BM_WriteDxfWithDxflib)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
