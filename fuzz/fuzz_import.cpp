// Arbitrary bytes as a metafile, imported into a fresh host drawing: the
// first byte chooses inch mode (bit 0) and a forced block (bit 1), the rest is
// the file. Whatever parses must become entities, blocks or messages, never a
// crash, a leak or an open selection set.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "fuzz/scratch_file.h"
#include "host.h"
#include "plugin/interface_settings.h"
#include "transfer/import.h"

namespace {

const std::string& scratchFile() { return fuzzscratch::file("fuzz_import", "part.mf"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t flags = data[0];
  if (!fuzzscratch::write(scratchFile(), data + 1, size - 1)) return 0;
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
  return 0;
}
