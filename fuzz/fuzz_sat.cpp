// Arbitrary bytes as a SAT file read by drafthost's _acisin: the bodies it
// finds become solids, and the drawing is then written as DXF, which encodes
// the ACIS text line by line. Any outcome but a crash or a leak is fine.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "dxf_writer.h"
#include "host.h"
#include "plugin/ads.h"

namespace {

const std::string& scratchFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/fuzz_sat_" + std::to_string(::getpid()) +
           ".sat";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    std::FILE* f = std::fopen(scratchFile().c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  std::ostringstream out, dxf;
  drafthost::Host host(out);
  using drafthost::Group;
  host.runCommand({Group::str(RTSTR, "_acisin"), Group::str(RTSTR, scratchFile())});
  drafthost::writeDxf(host.drawing, drafthost::DxfOptions{}, dxf);
  std::remove(scratchFile().c_str());
  return 0;
}
