// Writes a large, realistic 2D metafile (a drawing of figures with many
// shapes and hatches whose boundaries refer to shapes) and the same tree as
// JSON, for the reader benchmarks.
#pragma once

#include <cstddef>
#include <string>

struct GeneratedDocument {
  std::string metafile;
  std::string json;
  std::size_t nodes = 0;  // nodes of the tree (the same in both forms)
};

// About `shapes` shapes spread over figures of up to `perFigure` shapes each
// (at least 1); every figure becomes a block of its own when imported.
GeneratedDocument generateDrawing(std::size_t shapes, unsigned seed = 12345,
                                  std::size_t perFigure = 2000);

// One loose figure (no GROUP: its shapes go to model space) of `lines` LINEs,
// one per line with whole-number coordinates and no blanks to spare, a dense
// file for the memory-per-byte measurements. Start points lie within +-range:
// about 36 bytes per LINE with the default, 30 with a range of 50. Only the
// metafile is written.
GeneratedDocument generateLines(std::size_t lines, int range = 500, unsigned seed = 12345);
