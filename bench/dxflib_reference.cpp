#include "dxflib_reference.h"

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>

#include <functional>
#include <utility>
#include <vector>

namespace {

using WriteOp = std::function<void(DL_Dxf&, DL_WriterA&)>;

// What dxflib's reader hands over, kept as the calls that write it again:
// entities in the order read, those inside a block with their block.
struct Block {
  DL_BlockData data{"", 0, 0, 0, 0};
  std::vector<WriteOp> entities;
};

struct Hatch {
  DL_HatchData data;
  DL_Attributes attributes;
  std::vector<std::pair<DL_HatchLoopData, std::vector<DL_HatchEdgeData>>> loops;
};

}  // namespace

struct DxflibDrawing::Content : DL_CreationAdapter {
  std::vector<std::pair<DL_LayerData, DL_Attributes>> layers;
  // The reader's linetype data points into its own dash buffer: keep the dashes.
  std::vector<std::pair<DL_LinetypeData, std::vector<double>>> linetypes;
  std::vector<Block> blocks;
  std::vector<WriteOp> entities;
  bool inBlock = false;
  std::shared_ptr<Hatch> hatch;  // the hatch being read

  std::vector<WriteOp>& target() { return inBlock ? blocks.back().entities : entities; }
  template <class Data, class Write>
  void add(const Data& data, Write write) {
    target().push_back([data, a = getAttributes(), write](DL_Dxf& dxf, DL_WriterA& dw) {
      (dxf.*write)(dw, data, a);
    });
  }

  void addLayer(const DL_LayerData& d) override { layers.emplace_back(d, getAttributes()); }
  void addLinetype(const DL_LinetypeData& d) override { linetypes.push_back({d, {}}); }
  void addLinetypeDash(double length) override {
    if (!linetypes.empty()) linetypes.back().second.push_back(length);
  }
  void addBlock(const DL_BlockData& d) override {
    blocks.push_back({d, {}});
    inBlock = true;
  }
  void endBlock() override { inBlock = false; }
  void addLine(const DL_LineData& d) override { add(d, &DL_Dxf::writeLine); }
  void addArc(const DL_ArcData& d) override { add(d, &DL_Dxf::writeArc); }
  void addCircle(const DL_CircleData& d) override { add(d, &DL_Dxf::writeCircle); }
  void addEllipse(const DL_EllipseData& d) override { add(d, &DL_Dxf::writeEllipse); }
  void addMText(const DL_MTextData& d) override { add(d, &DL_Dxf::writeMText); }
  void addText(const DL_TextData& d) override { add(d, &DL_Dxf::writeText); }
  void addInsert(const DL_InsertData& d) override { add(d, &DL_Dxf::writeInsert); }
  void addHatch(const DL_HatchData& d) override {
    hatch = std::make_shared<Hatch>(Hatch{d, getAttributes(), {}});
    target().push_back([h = hatch](DL_Dxf& dxf, DL_WriterA& dw) {
      dxf.writeHatch1(dw, h->data, h->attributes);
      for (const auto& [loop, edges] : h->loops) {
        dxf.writeHatchLoop1(dw, loop);
        for (const auto& e : edges) dxf.writeHatchEdge(dw, e);
        dxf.writeHatchLoop2(dw, loop);
      }
      dxf.writeHatch2(dw, h->data, h->attributes);
    });
  }
  void addHatchLoop(const DL_HatchLoopData& d) override {
    if (hatch) hatch->loops.push_back({d, {}});
  }
  void addHatchEdge(const DL_HatchEdgeData& d) override {
    if (hatch && !hatch->loops.empty()) hatch->loops.back().second.push_back(d);
  }
};

DxflibDrawing::DxflibDrawing() : content_(std::make_unique<Content>()) {}
DxflibDrawing::~DxflibDrawing() = default;

bool DxflibDrawing::read(const std::string& dxfPath) {
  content_ = std::make_unique<Content>();
  DL_Dxf dxf;
  return dxf.in(dxfPath, content_.get());
}

bool DxflibDrawing::write(const std::string& path) const {
  const Content& c = *content_;
  DL_Dxf dxf;
  std::unique_ptr<DL_WriterA> dw(dxf.out(path.c_str(), DL_Codes::AC1015));
  if (!dw) return false;
  dxf.writeHeader(*dw);
  dw->sectionEnd();
  dw->sectionTables();
  dxf.writeVPort(*dw);
  dw->tableLinetypes(static_cast<int>(c.linetypes.size()));
  for (const auto& [linetype, dashes] : c.linetypes) {
    DL_LinetypeData data = linetype;
    data.numberOfDashes = static_cast<int>(dashes.size());
    data.pattern = const_cast<double*>(dashes.data());
    dxf.writeLinetype(*dw, data);
  }
  dw->tableEnd();
  dw->tableLayers(static_cast<int>(c.layers.size()));
  for (const auto& [layer, attributes] : c.layers) dxf.writeLayer(*dw, layer, attributes);
  dw->tableEnd();
  dw->tableStyle(1);
  dxf.writeStyle(*dw, DL_StyleData("Standard", 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", ""));
  dw->tableEnd();
  dxf.writeView(*dw);
  dxf.writeUcs(*dw);
  dw->tableAppid(1);
  dxf.writeAppid(*dw, "ACAD");
  dw->tableEnd();
  dxf.writeDimStyle(*dw, 2.5, 0.625, 0.625, 0.625, 2.5);
  dxf.writeBlockRecord(*dw);
  for (const auto& b : c.blocks)
    if (b.data.name[0] != '*') dxf.writeBlockRecord(*dw, b.data.name);
  dw->tableEnd();
  dw->sectionEnd();
  dw->sectionBlocks();
  for (const auto& b : c.blocks) {
    dxf.writeBlock(*dw, b.data);
    for (const auto& op : b.entities) op(dxf, *dw);
    dxf.writeEndBlock(*dw, b.data.name);
  }
  dw->sectionEnd();
  dw->sectionEntities();
  for (const auto& op : c.entities) op(dxf, *dw);
  dw->sectionEnd();
  dxf.writeObjects(*dw);
  dxf.writeObjectsEnd(*dw);
  dw->dxfEOF();
  dw->close();
  return true;
}
