// Writes the host's drawing as an ASCII DXF file, release 2000 (AC1015), code
// page ANSI_1252: header, classes, tables, blocks, entities and the objects a
// reader of that release expects. Texts go out as the Windows-1252 bytes the
// drawing holds; angles, which the drawing keeps in radians, go out in the
// unit each group wants.
#pragma once

#include <ostream>
#include <string>

#include "drawing.h"

namespace drafthost {

struct DxfOptions {
  int measurement = 1;  // 1 metric ($INSUNITS 4, mm), 0 imperial ($INSUNITS 1, inch)
};

// Streams the drawing to `out`; false when the stream reports a failure.
bool writeDxf(const Drawing& drawing, const DxfOptions& options, std::ostream& out);

// Writes the drawing to a file; false (with *error set) when the file cannot
// be written.
bool writeDxfFile(const Drawing& drawing, const DxfOptions& options, const std::string& path,
                  std::string* error);

// The SAT text lines as DXF release 2000 stores ACIS data in groups 1 and 3;
// empty for an empty line.
std::string encodeSatLine(const std::string& line);

}  // namespace drafthost
