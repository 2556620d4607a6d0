// A start file of any content one level above the plug-in: its ENVIRONS items
// become variables, which are then expanded.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "config/environment.h"
#include "fuzz/scratch_file.h"
#include "plugin/start_environment.h"

namespace {

// A scratch installation per process: <scratch>/start.env beside
// <scratch>/bin/drwlink2.so.
struct Installation {
  fuzzscratch::Folder folder{"fuzz_start"};
  std::string startFile = folder.file("start.env");
  std::string plugin = (folder.path() / "bin" / "drwlink2.so").string();
  Installation() {
    std::error_code ignored;
    std::filesystem::create_directories(folder.path() / "bin", ignored);
  }
};

const Installation& installation() {
  static const Installation scratch;
  return scratch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Installation& at = installation();
  if (!fuzzscratch::write(at.startFile, data, size)) return 0;
  setupStartEnvironmentFor(at.plugin);
  std::string r = expandVariables("$HALDRIX/lang/$HALDRIX_LANGUAGE/drwlink2.nls");
  r += expandVariables("$(HALDRIX_SETUP)/moxisol.cfg $HALDRIX_PROGRAMDRIVE $A $B");
  clearVariableOverrides();
  clearVariableDefaults();
  return r.empty() ? 1 : 0;
}
