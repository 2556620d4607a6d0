// Reading a large generated metafile, against nlohmann::json and simdjson
// parsing the same tree as JSON. Size: DRW_BENCH_SHAPES (default 100000).
#include <benchmark/benchmark.h>

#include <simdjson.h>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "meta/reader.h"
#include "meta/tree.h"
#include "metafile_generator.h"

namespace {

const GeneratedDocument& document() {
  static const GeneratedDocument doc = [] {
    const char* env = std::getenv("DRW_BENCH_SHAPES");
    std::size_t shapes = env ? std::strtoul(env, nullptr, 10) : 100000;
    return generateDrawing(shapes ? shapes : 100000);
  }();
  return doc;
}

void setCounters(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["nodes/s"] = benchmark::Counter(
      static_cast<double>(document().nodes) * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

// Parse with load hooks (references resolved) and free the tree.
void BM_MetaReader(benchmark::State& state) {
  const std::string& text = document().metafile;
  for (auto _ : state) {
    metaTreeReaderC reader;
    reader.openBuffer(text.data(), text.size());
    metaTreeC* tree = reader.read(true);
    if (!tree) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(tree);
    metaTreeC::destroy(tree);
  }
  setCounters(state, text.size());
}

// The same through a file, as the import reads it.
void BM_MetaReaderFile(benchmark::State& state) {
  const std::string& text = document().metafile;
  std::string path = "bench_metafile_input.mf";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  for (auto _ : state) {
    metaObjectC doc = readMetaFile(path, true);
    if (!doc.isValid()) state.SkipWithError("read failed");
  }
  std::remove(path.c_str());
  setCounters(state, text.size());
}

void BM_NlohmannJson(benchmark::State& state) {
  const std::string& text = document().json;
  for (auto _ : state) {
    nlohmann::json j = nlohmann::json::parse(text);
    benchmark::DoNotOptimize(j);
  }
  setCounters(state, text.size());
}

void BM_Simdjson(benchmark::State& state) {
  simdjson::padded_string text(document().json);
  simdjson::dom::parser parser;
  for (auto _ : state) {
    simdjson::dom::element e;
    if (parser.parse(text).get(e)) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(e);
  }
  setCounters(state, document().json.size());
}

// A chain of n nested objects, each with a reference to the first: reading
// and resolving stay linear in the depth.
void BM_DeepReferenceChain(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::string text;
  for (int i = 0; i < n; ++i) text += "A{MOREF{REFTRG{1}}";
  text.append(static_cast<std::size_t>(n), '}');
  for (auto _ : state) {
    metaObjectC doc = readMetaBuffer(text.data(), text.size(), true);
    if (!doc.isValid()) state.SkipWithError("read failed");
  }
  state.SetComplexityN(n);
}

}  // namespace

BENCHMARK(BM_DeepReferenceChain)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 16)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_MetaReader)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_MetaReaderFile)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_NlohmannJson)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Simdjson)->Unit(benchmark::kMillisecond)->MinTime(0.5);

BENCHMARK_MAIN();
