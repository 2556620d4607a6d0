// Configuration files with many items or many blocks: loading, saving and
// looking up every item must each stay linear in the file (the settings and
// catalogue lists grow with the user's history). The fit is against n: its
// RMS says how far from linear a run is (tens of thousands of blocks cost
// more per block once their indexes outgrow the processor's caches).
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "config/config_file.h"

namespace {

// n items "kI=value I" in one block, or n blocks of one item each.
std::string configText(int n, bool blocks) {
  std::string text;
  for (int i = 0; i < n; ++i) {
    if (blocks || i == 0) text += "[Block " + std::to_string(blocks ? i : 0) + "]\n";
    text += "k" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
  }
  return text;
}

void loadAndSave(benchmark::State& state, bool blocks) {
  const int n = static_cast<int>(state.range(0));
  const std::string text = configText(n, blocks);
  for (auto _ : state) {
    std::istringstream in(text);
    std::ostringstream out;
    CSConfig config(&in, &out, true);
    if (config.save() != 0) state.SkipWithError("save failed");
    benchmark::DoNotOptimize(out.str().size());
  }
  state.SetComplexityN(n);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_ConfigItemsInOneBlock(benchmark::State& state) { loadAndSave(state, false); }
void BM_ConfigBlocks(benchmark::State& state) { loadAndSave(state, true); }

// Every item looked up by name once, in a loaded file.
void BM_ConfigLookUpEveryItem(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::string text = configText(n, false);
  std::istringstream in(text);
  CSConfig config(&in, nullptr, true);
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back("K" + std::to_string(i));  // case ignored
  for (auto _ : state) {
    for (const std::string& name : names)
      if (!config.findItem(name, "block 0")) state.SkipWithError("item not found");
  }
  state.SetComplexityN(n);
}

// 1,024 to 65,536 items or blocks.
void sizes(benchmark::internal::Benchmark* b) { b->RangeMultiplier(4)->Range(1 << 10, 1 << 16); }

}  // namespace

BENCHMARK(BM_ConfigItemsInOneBlock)->Apply(sizes)->Complexity(benchmark::oN);
BENCHMARK(BM_ConfigBlocks)->Apply(sizes)->Complexity(benchmark::oN);
BENCHMARK(BM_ConfigLookUpEveryItem)->Apply(sizes)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
