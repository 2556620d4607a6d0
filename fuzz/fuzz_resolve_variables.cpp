// Variable expansion with arbitrary bytes. An input that starts with "#" first
// defines up to four override variables, one "name=value" line each, up to an
// empty line; the rest is the text to expand. The text is resolved with the
// registry off and on (a small store with its own chains and a cycle), and the
// outcome is checked: a finished expansion holds no "$" any more, and an
// undefined one leaves expandVariables' input unchanged. The text also goes
// through the path and field helpers that take user-written paths.
#include "config/environment.h"
#include "config/file_path.h"
#include "config/strings.h"
#include "platform/system.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/scratch_file.h"

namespace {

// A small registry store with its own chains and a cycle, in a scratch
// folder for the whole run.
void setUpRegistry() {
  static const fuzzscratch::Folder folder("fuzz_variables");
  const std::string store = folder.file("store.reg");
  const char* keys =
      "[HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\U]\n@=/home/$M\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\HALDRIX\\PATH\\M]\n@=m-$(OSEXT)\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\HALDRIX\\PATH\\C]\n@=$D/c\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\HALDRIX\\PATH\\D]\n@=$C-$C\n";
  if (fuzzscratch::write(store, reinterpret_cast<const uint8_t*>(keys), std::strlen(keys)))
    platform::setEnvironmentVariable("HALDRIX_REGISTRY", store);
  // Keep the placeholders free of "$" so the check below holds.
  platform::setEnvironmentVariable("TMPDIR", "/tmp");
}

// Resolves the text and checks the outcome; returns the status.
int check(const std::string& text, bool useRegistry) {
  int status = 0;
  std::string out = resolveVariables(text, status, useRegistry);
  if (status != ExpandFinished && status != ExpandUndefined) std::abort();
  if (status == ExpandFinished && out.find('$') != std::string::npos) std::abort();
  return status;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setUpRegistry();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t pos = 0;
  if (!input.empty() && input[0] == '#') {
    pos = 1;
    for (int defined = 0; defined < 4 && pos < input.size(); ++defined) {
      std::size_t end = input.find('\n', pos);
      if (end == std::string::npos) end = input.size();
      std::string line = input.substr(pos, end - pos);
      pos = end + 1;
      if (line.empty()) break;
      std::size_t eq = line.find('=');
      setVariableOverride(line.substr(0, eq),
                          eq == std::string::npos ? std::string() : line.substr(eq + 1));
    }
  }
  std::string text = pos < input.size() ? input.substr(pos) : std::string();
  check(text, false);
  const int status = check(text, true);
  if (status != ExpandFinished && expandVariables(text) != text) std::abort();

  std::string normal = normalizePath(text);
  FilePath path(text);
  path.directory();
  path.fileName();
  path.uncShare();
  path.relativeTo(FilePath(normal));
  path.setExtension("cfg");
  (void)(path / FilePath(normal));
  splitFields(text, ',', '"', size % 2 == 0);
  listContains("a", text, true);
  clearVariableOverrides();
  return 0;
}
