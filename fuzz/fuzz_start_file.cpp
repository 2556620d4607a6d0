// A start file of any content one level above the plug-in: its ENVIRONS items
// become variables, which are then expanded.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "config/environment.h"
#include "plugin/start_environment.h"

namespace {

// A scratch installation per process: <tmp>/drw_fuzz_start_<pid>/bin/drwlink2.so,
// removed again at exit.
struct Installation {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("drw_fuzz_start_" + std::to_string(::getpid()));
  Installation() { std::filesystem::create_directories(dir / "bin"); }
  ~Installation() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

const std::filesystem::path& installation() {
  static const Installation scratch;
  return scratch.dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& dir = installation();
  std::FILE* file = std::fopen((dir / "start.env").string().c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  setupStartEnvironmentFor((dir / "bin" / "drwlink2.so").string());
  std::string r = expandVariables("$HALDRIX/lang/$HALDRIX_LANGUAGE/drwlink2.nls");
  r += expandVariables("$(HALDRIX_SETUP)/moxisol.cfg $HALDRIX_PROGRAMDRIVE $A $B");
  clearVariableOverrides();
  clearVariableDefaults();
  return r.empty() ? 1 : 0;
}
