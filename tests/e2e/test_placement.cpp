// Placing a part through drafthost: the drag to the insertion point, the
// rotation about it, and the blocks of 3D parts.
#include "drafthost_run.h"

using PlacementTest = E2eTest;

TEST_F(PlacementTest, DragMovesThePartAndRotationTurnsItAboutThePoint) {
  write("part.mf", "FIGURE { FIGURITEMS { LINE { POINT { 0 0 } POINT { 10 0 } } } }");
  struct Case {
    const char* name;
    const char* answers;  // insertion point and angle
    const char* move;     // the first two rows of each matrix; the others are those of identity
    const char* turn;
  } cases[] = {
      {"point and angle", "100,50\n90\n", "[1,0,0,100],[0,1,0,50]", "[0,-1,0,150],[1,0,0,-50]"},
      // The dragged height is ignored; an empty answer means no rotation.
      {"height, no angle", "3,4,7\n\n", "[1,0,0,3],[0,1,0,4]", "[1,0,0,0],[0,1,0,0]"},
      // A cancelled drag leaves the part at the origin and still asks for the angle.
      {"cancelled drag", "^C\n180\n", "[1,0,0,0],[0,1,0,0]", "[-1,0,0,0],[0,-1,0,0]"},
      {"cancelled rotation", "20,0\n^C\n", "[1,0,0,20],[0,1,0,0]", "[1,0,0,0],[0,1,0,0]"},
  };
  for (const Case& c : cases) {
    HostRun r = run(std::string("(C:MOXIopenps2 \"part.mf\")\n") + c.answers);
    // A line feed before each prompt; the set the import filled is moved and
    // turned; the command ends normally.
    Args fns;
    for (const json& e : r.trace) fns.push_back(e["fn"]);
    const auto drag = std::find(fns.begin(), fns.end(), "ads_draggen");
    ASSERT_TRUE(drag != fns.begin() && fns.end() - drag >= 5) << c.name << r.out;
    EXPECT_EQ(Args(drag - 1, drag + 5), (Args{"ads_printf", "ads_draggen", "ads_xformss",
                                              "ads_printf", "ads_getorient", "ads_xformss"}))
        << c.name;
    const auto xforms = r.calls("ads_xformss");
    const json dragged = r.calls("ads_draggen")[0];
    EXPECT_TRUE(listIs({dragged["prompt"], r.calls("ads_getorient")[0]["prompt"],
                        xforms[0]["set"] == dragged["set"], xforms[0]["rc"], xforms[1]["rc"],
                        xforms[0]["matrix"], xforms[1]["matrix"], r.calls("ads_ssfree").size(),
                        r.calls("ads_command").back()["args"][1][1]},
                       std::string(R"(["Einfügepunkt wählen:","Drehwinkel:",true,5100,5100,[)") +
                           c.move + ",[0,0,1,0],[0,0,0,1]],[" + c.turn +
                           R"(,[0,0,1,0],[0,0,0,1]],2,"1"])"))
        << c.name;
  }
}

// 3D parts come from the catalogue stand-ins through the launcher of the
// sample installation: the SAT file is read in and its solid wrapped into the
// next free MOXISOL block, dragged in x and y only and never turned.
using SatPlacementTest = E2eTest;

TEST_F(SatPlacementTest, EachPartGetsTheNextFreeMoxisolBlock) {
  HostRun r = run("MOXIviewer3d\n10,20,5\nLINE 0,0 10,0\nMOXIshaft3d\n\nMOXIass3d\n^C\n");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<Args> expected;
  for (const char* server : {"MoxiViewer", "MoxiWel", "MoxiAssembly"})
    expected.push_back(launchOf(program("moxistart"), program("moxicatalog"),
                                {"-server", server, "-topic", server},
                                {"-poke", "RECEIVERCADID=Autocad.3d", "-fm", "sat", "-poke",
                                 "FormatVersion=1.6", "-o", kSatFile}));
  EXPECT_EQ(launches(), expected);
  EXPECT_EQ(readFile(exchangeFile(kSatFile)).rfind("106 0 1 0\n", 0), 0u);
  const std::vector<json> acisin = r.commands("_acisin");
  ASSERT_EQ(acisin.size(), 3u);
  EXPECT_EQ(acisin[0][1], json::parse(R"([5005,"c:\\acadxchg.sat"])"));
  std::vector<json> blocks = r.commands("_.BLOCK");
  ASSERT_EQ(blocks.size(), 3u) << r.out;
  EXPECT_TRUE(listIs({blocks[0][1], blocks[0][2], blocks[0][4], blocks[1][1], blocks[2][1]},
                     R"([[5005,"MOXISOL"],[5002,[0,0,0]],[5005,""],[5005,"MOXISOL0"],
                         [5005,"MOXISOL1"]])"));
  // Each block holds the one solid of its import: the line drawn before the
  // second import is not collected.
  std::size_t added = 0;
  for (const json& e : r.calls("ads_ssadd")) added += e.contains("ent");
  EXPECT_EQ(added, 3u + 3u) << "three solids, three inserts";
  std::vector<json> inserts = r.made();
  ASSERT_EQ(inserts.size(), 3u);
  EXPECT_EQ(inserts[1], json::parse(R"([[5020,"INSERT"],[2,"MOXISOL0"],[10,[0,0,0]],[50,0]])"));
  auto xforms = r.calls("ads_xformss");
  ASSERT_EQ(xforms.size(), 3u);
  EXPECT_EQ(xforms[0]["matrix"], json::parse("[[1,0,0,10],[0,1,0,20],[0,0,1,0],[0,0,0,1]]"));
  EXPECT_TRUE(r.calls("ads_getorient").empty());
  // In the empty drawing the walk starts at the drawing's first entity.
  ASSERT_FALSE(r.calls("ads_entnext").empty());
  EXPECT_TRUE(r.calls("ads_entnext")[0]["ent"].is_null());
}

// Without a SAT file, or with one the host reads nothing from (a directory
// stands in its place), nothing is collected, wrapped or dragged.
TEST_F(SatPlacementTest, NothingToImportLeavesTheDrawingAlone) {
  HostRun missing = run("MOXIviewer3d\n", "MOXICATALOG_PART=nofile");
  EXPECT_TRUE(missing.commands("_acisin").empty());
  EXPECT_TRUE(missing.calls("ads_printf").empty()) << missing.out;
  write("sat.d/keep", "x");
  writeSettings("[XCHG3D]\nSATFileName=" + (dir / "sat.d").string() + "\n");
  for (const HostRun& r : {missing, run("LINE 0,0 10,0\nMOXIviewer3d\n")}) {
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.commands("_.BLOCK").empty() && r.calls("ads_entmake").empty());
    EXPECT_TRUE(r.calls("ads_draggen").empty());
    for (const json& e : r.calls("ads_ssadd")) EXPECT_FALSE(e.contains("ent"));
    EXPECT_EQ(r.calls("ads_command").back()["args"][1][1], "1") << "the command ends normally";
  }
}
