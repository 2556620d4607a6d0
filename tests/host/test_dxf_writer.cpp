// The DXF writer's value rules: handles and owners, angle units, names as the
// tables spell them, texts in 250-byte pieces with their code page bytes, ACIS
// encoding, defaults for missing groups, header units and 3D extents. The
// file's structure is checked on every DXF the suite writes (tests/tools).
#include <algorithm>
#include <cmath>

#include "dxf_writer.h"
#include "host_fixture.h"

using namespace drafthost;

namespace {

using Pairs = std::vector<std::pair<int, std::string>>;

Pairs write(const Drawing& dwg, int measurement = 1) {
  std::ostringstream out;
  EXPECT_TRUE(writeDxf(dwg, DxfOptions{measurement}, out));
  std::istringstream in(out.str());
  Pairs pairs;
  for (std::string code, value; std::getline(in, code) && std::getline(in, value);)
    pairs.emplace_back(std::stoi(code), value);
  return pairs;
}

// The groups of the nth object of a type in a section ("ENTITIES MTEXT#1"), or
// of a header variable ("HEADER $EXTMIN").
Pairs object(const Pairs& p, const std::string& where) {
  const std::size_t blank = where.find(' '), hash = where.find('#');
  const std::string type = where.substr(blank + 1, hash - blank - 1);
  const Pairs::value_type start{type[0] == '$' ? 9 : 0, type};
  int nth = hash == std::string::npos ? 0 : std::stoi(where.substr(hash + 1));
  std::size_t i = 0;
  while (i < p.size() && p[i] != Pairs::value_type{2, where.substr(0, blank)}) ++i;
  while (i < p.size() && !(p[i] == start && nth-- == 0)) ++i;
  Pairs out;
  for (std::size_t k = i; k < p.size() && (k == i || (p[k].first != 0 && p[k].first != 9)); ++k)
    out.push_back(p[k]);
  return out;
}

// Per object "code[#nth]=value ...": reals (written with a point) within 1e-9,
// anything else byte for byte; <none> for a group that must not be there.
void expectGroups(const Pairs& p, const std::vector<std::pair<std::string, std::string>>& cases) {
  for (const auto& [where, text] : cases) {
    const Pairs obj = object(p, where);
    std::istringstream in(text);
    for (std::string item; in >> item;) {
      const std::size_t hash = item.find('#'), eq = item.find('=');
      int code = std::stoi(item), nth = hash < eq ? std::stoi(item.substr(hash + 1)) : 0;
      std::string got = "<none>", want = item.substr(eq + 1);
      for (const auto& [c, v] : obj)
        if (c == code && nth-- == 0) got = v;
      char* end = nullptr;
      const double real = std::strtod(got.c_str(), &end);
      const bool reals =
          want.find('.') < want.size() && got.find_first_of(".e") < got.size() && !*end;
      EXPECT_TRUE(reals ? std::fabs(real - std::stod(want)) <= 1e-9 : got == want)
          << where << " " << item.substr(0, 30) << " got " << got.substr(0, 30);
    }
  }
}

}  // namespace

TEST(DxfWriter, GroupsGoOutInTheFormAndUnitTheirCodeWants) {
  Drawing dwg;
  ASSERT_TRUE(dwg.addLayer("Kontur"));
  dwg.linetypes().add({"Dashed", dwg.newHandle(), "", {12.7, -6.35}});
  const std::string hatch = hatchList(2);
  std::vector<GroupList> lists;
  for (const char* text :
       {"LINE 8=KONTUR 6=DASHED 62=3 10=1,2 11=3.5,-4", "CIRCLE 10=0,0 40=5",
        "ARC 10=0,0 40=5 50=30d 51=90d", "ELLIPSE 10=0,0 11=4,0 40=0.5 41=0.5 42=1.5",
        "MTEXT 10=0,0 40=2.5 50=90d", "MTEXT 10=0,0 1=x", "POLYLINE 66=1 70=1 10=0,0",
        "VERTEX 10=1,0 42=0.5", "SEQEND", "INSERT 2=TEIL 10=5,5 50=180d", hatch.c_str()})
    lists.push_back(entityList(text));
  // A text of 1252 bytes with a line feed and a caret, in pieces the writer
  // cuts anew.
  lists[4].push_back(Group::str(3, std::string(200, 'a')));
  lists[4].push_back(Group::str(1, std::string(60, 'a') + "\xD8" + "b\nc^J"));
  for (std::size_t i = 0; i < lists.size(); ++i) {
    ASSERT_TRUE(dwg.entmake(lists[i], nullptr)) << lists[i][0].text;
    // After its SEQEND the polyline (entity 7) goes into a block.
    ASSERT_TRUE(i != 8 || dwg.defineBlock("Teil", {1, 2, 0}, {7}));
  }
  dwg.addEntity("3DSOLID",
                {Group::str(1, std::string(255, 'x')), Group::str(3, std::string(45, 'x'))});
  // Host-made entities skip the checks: numbers of the wrong type, a
  // non-finite value and missing required groups must still give a sound file.
  dwg.addEntity("LINE", {Group::number(62, 3.0), Group::integral(39, 2)});
  dwg.addEntity("ELLIPSE", entityList("10=0,0 40=inf"));
  const Pairs p = write(dwg);
  // Handles, owners, subclass markers, names as the tables spell them, angles in
  // degrees where DXF wants them, texts and ACIS lines in pieces, defaults.
  const std::string poly = dwg.entity(7)->handle(), quote(255, '\x27');
  const std::string model = object(p, "TABLES BLOCK_RECORD")[1].second;
  expectGroups(
      p, {{"ENTITIES LINE", "5=" + dwg.entity(1)->handle() + " 330=" + model + " 100=AcDbEntity"},
          {"ENTITIES LINE", "8=Kontur 6=Dashed 62=3 100#1=AcDbLine 10=1.0 20=2.0 11=3.5 21=-4.0"},
          {"TABLES LAYER#1", "2=Kontur 62=7 6=CONTINUOUS"},
          {"TABLES LTYPE#3", "2=Dashed 73=2 40=19.05 49#1=-6.35"},
          {"ENTITIES ARC", "50=30.0 51=90.0"},
          {"ENTITIES ELLIPSE", "41=0.5 42=1.5"},  // parameters stay radians
          {"ENTITIES MTEXT", "50=90.0 11=0.0 21=1.0 3#1=<none> 3=" + std::string(250, 'a')},
          {"ENTITIES MTEXT#1", "3=<none> 11=1.0 21=0.0"},
          {"ENTITIES INSERT", "2=Teil 50=180.0"},
          {"ENTITIES HATCH", "330#1=" + dwg.entity(2)->handle() + " 50=45.0 51=180.0 52=45.0"},
          {"ENTITIES HATCH", "53=45.0 51#1=57.29577951308232 30=0.0 30#1=<none> 20#4=5.0"},
          {"ENTITIES CIRCLE", "102={ACAD_REACTORS 330=" + dwg.entity(11)->handle()},
          {"BLOCKS BLOCK#2", "2=Teil 20=2.0"},
          {"BLOCKS POLYLINE", "330=" + dwg.blocks().find("teil")->handle},
          {"BLOCKS VERTEX", "330=" + poly + " 100#2=AcDb2dVertex 42=0.5"},
          {"BLOCKS SEQEND", "330=" + poly},
          {"ENTITIES 3DSOLID", "1=" + quote + " 3=" + quote.substr(0, 45)},
          {"ENTITIES LINE#1", "62=3 39=2.0 11=0.0"},
          {"ENTITIES ELLIPSE#1", "40=0.0 11=1.0 42=6.283185307179586"}});
  // The text's own caret goes out as "^ ", so its "^J" does not read back as a line feed.
  const Pairs text = object(p, "ENTITIES MTEXT");
  EXPECT_TRUE(std::count(text.begin(), text.end(),
                         Pairs::value_type{1, std::string(10, 'a') + "\xD8" + "b^Jc^ J"}));
}

TEST(DxfWriter, ExtentsAreTheEntitiesReal3dExtentWithBlocksPlacedScaledAndTurned) {
  // The block spans (4..6, -1..1) about its base (4, 0): doubled and turned
  // by 90 degrees about (10, 0) it spans (8..12, 0..4); a flat drawing stays flat.
  Drawing flat, solid;
  ASSERT_TRUE(flat.entmake(entityList("CIRCLE 10=5,0 40=1"), nullptr));
  ASSERT_TRUE(flat.defineBlock("B", {4, 0, 0}, {1}));
  ASSERT_TRUE(flat.entmake(entityList("INSERT 2=B 10=10,0 41=2 42=2 50=90d"), nullptr));
  expectGroups(write(flat), {{"HEADER $EXTMIN", "10=8.0 20=0.0 30=0.0"},
                             {"HEADER $EXTMAX", "10=12.0 20=4.0 30=0.0"}});
  // An ellipse along x with ratio 0.5, and a circle of radius 1 standing in
  // the world's y-z plane: its object coordinates (2, 3, 5) are the world's
  // (5, 2, 3) by the arbitrary-axis rule.
  ASSERT_TRUE(solid.entmake(entityList("ELLIPSE 10=0,0 11=10,0 40=0.5"), nullptr));
  ASSERT_TRUE(solid.entmake(entityList("CIRCLE 10=2,3,5 40=1 210=1,0,0"), nullptr));
  expectGroups(write(solid), {{"HEADER $EXTMIN", "10=-10.0 20=-5.0 30=0.0"},
                              {"HEADER $EXTMAX", "10=10.0 20=5.0 30=4.0"}});
}

TEST(DxfWriter, AcisTextIsEncodedAsRelease2000StoresIt) {
  // Letters and most signs become 159 - c or c ^ 0x5F, '@' and '_' swap, 'A'
  // takes a blank after it, control and non-ASCII bytes go out as ' ' and '`'.
  EXPECT_EQ(encodeSatLine("AB Z@_body $-1 #\t\x80\x7F"), "^ ] E_@=0;& {rn | ` ");
  EXPECT_EQ(encodeSatLine(""), "");
}
