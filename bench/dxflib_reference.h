// The same drawing written by dxflib, the C++ DXF library LibreCAD uses: a
// peer for our writer's speed. The drawing is taken from a DXF file our writer
// made (read once with dxflib's reader), then written again and again.
#pragma once

#include <memory>
#include <string>

class DxflibDrawing {
 public:
  // Reads the drawing; false when dxflib cannot read the file.
  bool read(const std::string& dxfPath);
  // Writes it as an AutoCAD 2000 DXF file (header, tables, blocks, entities,
  // objects); false when the file cannot be written.
  bool write(const std::string& path) const;

  DxflibDrawing();
  ~DxflibDrawing();

 private:
  struct Content;
  std::unique_ptr<Content> content_;
};
