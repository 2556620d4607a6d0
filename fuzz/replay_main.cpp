// Replays fuzz inputs without libFuzzer: every file named on the command line,
// or every file inside a named directory, is fed to LLVMFuzzerTestOneInput once.
// Used by the regular builds so the checked-in corpus runs as a test.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
#ifdef DRW_FUZZ_INITIALIZE
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
#endif

static void runFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
#ifdef DRW_FUZZ_INITIALIZE
  LLVMFuzzerInitialize(&argc, &argv);
#endif
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    fs::path p(argv[i]);
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
      for (const auto& e : fs::recursive_directory_iterator(p, ec))
        if (e.is_regular_file()) {
          runFile(e.path());
          ++count;
        }
    } else if (fs::is_regular_file(p, ec)) {
      runFile(p);
      ++count;
    } else {
      std::fprintf(stderr, "replay: %s: not found\n", argv[i]);
      return 2;
    }
  }
  std::printf("replayed %d inputs\n", count);
  return 0;
}
