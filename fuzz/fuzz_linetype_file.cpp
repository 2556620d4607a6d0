// Arbitrary bytes as a .lin linetype file loaded by drafthost's LINETYPE
// command: the first line names the linetypes to load ("*" for all, or names
// separated by commas), the rest is the file. Whatever loads is written into a
// DXF file's linetype table. Any outcome but a crash or a leak is fine.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "drawing.h"
#include "dxf_writer.h"
#include "fuzz/scratch_file.h"
#include "host.h"

namespace {

const std::string& scratchFile() { return fuzzscratch::file("fuzz_linetype_file", "styles.lin"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t feed = input.find('\n');
  const std::string names = input.substr(0, feed);
  const std::size_t body = feed == std::string::npos ? size : feed + 1;
  if (!fuzzscratch::write(scratchFile(), data + body, size - body)) return 0;

  drafthost::Drawing drawing;
  const std::size_t before = drawing.linetypes().records().size();
  std::string error;
  drafthost::loadLinetypeFile(drawing, scratchFile(), names, &error);
  // The built-in linetypes alone give the same file every time.
  if (drawing.linetypes().records().size() > before) {
    std::ostringstream dxf;
    drafthost::writeDxf(drawing, drafthost::DxfOptions{}, dxf);
  }
  return 0;
}
