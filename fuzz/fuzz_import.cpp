// Arbitrary bytes as a metafile, imported into a fresh host drawing: the
// first byte chooses inch mode (bit 0) and a forced block (bit 1), the rest is
// the file. Whatever parses must become entities, blocks or messages, never a
// crash, a leak or an open selection set.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "host.h"
#include "plugin/interface_settings.h"
#include "transfer/import.h"

namespace {

const std::string& scratchFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_import_" + std::to_string(::getpid()) +
           ".mf";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  {
    std::FILE* f = std::fopen(scratchFile().c_str(), "wb");
    if (!f) return 0;
    if (size > 1) std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }
  std::ostringstream out;
  drafthost::Host host(out);
  InterfaceSettings settings;
  settings.setInchMode((flags & 1) != 0);
  settings.styleLayers() = {"KONTUR", "DUENN", "VERDECKT", "MITTE", "STRICHPUNKT"};
  settings.styleLinetypes() = {"CONTINUOUS", "CONTINUOUS", "BYLAYER", "BYLAYER", "BYBLOCK"};
  settings.styleColours() = {1, 2, 3, 4, 5};
  settings.cosmeticLayer() = "KOSM";
  settings.hatchLayer() = "SCHRAFF";
  settings.hatchColour() = 8;
  if (probeMetafile(scratchFile()) == 1) {
    ads_name set;
    ads_ssadd(nullptr, nullptr, set);
    importMetafile(settings, scratchFile(), set, (flags & 2) ? 1 : 0, 0, 0, 0);
    ads_ssfree(set);
    if (host.openSets() != 0) std::abort();
  }
  std::remove(scratchFile().c_str());
  return 0;
}
