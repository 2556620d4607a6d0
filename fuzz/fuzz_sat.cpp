// Arbitrary bytes as a SAT file read by drafthost's _acisin: the bodies it
// finds become solids, and the drawing is then written as DXF, which encodes
// the ACIS text line by line. Any outcome but a crash or a leak is fine.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "dxf_writer.h"
#include "fuzz/scratch_file.h"
#include "host.h"
#include "plugin/ads.h"

namespace {

const std::string& scratchFile() { return fuzzscratch::file("fuzz_sat", "part.sat"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!fuzzscratch::write(scratchFile(), data, size)) return 0;
  std::ostringstream out, dxf;
  drafthost::Host host(out);
  using drafthost::Group;
  host.runCommand({Group::str(RTSTR, "_acisin"), Group::str(RTSTR, scratchFile())});
  // Without a solid the DXF file is the same for every input: not worth writing.
  // Every body becomes a solid carrying the whole text, so a file of hundreds of
  // short body records costs bodies times size to write while repeating one
  // solid: past four solids the writer learns nothing new.
  if (host.drawing.entity(1) && !host.drawing.entity(5))
    drafthost::writeDxf(host.drawing, drafthost::DxfOptions{}, dxf);
  return 0;
}
