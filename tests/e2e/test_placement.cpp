// Placing a part through drafthost: the drag to the insertion point, the
// rotation about it, and the blocks of 3D parts.
#include <algorithm>
#include <array>
#include <cmath>

#include "drafthost_run.h"

using nlohmann::json;

namespace {

using Matrix = std::array<std::array<double, 4>, 4>;

Matrix matrixOf(const json& m) {
  Matrix r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = m[i][j].get<double>();
  return r;
}

std::array<double, 3> apply(const Matrix& m, std::array<double, 3> p) {
  std::array<double, 3> q{};
  for (std::size_t i = 0; i < 3; ++i)
    q[i] = m[i][0] * p[0] + m[i][1] * p[1] + m[i][2] * p[2] + m[i][3];
  return q;
}

constexpr const char* kSettings =
    "[LineType]\nSolidHeavy=Continuous\nSolidLight=Continuous\nHidden=BYLAYER\n"
    "Center=BYLAYER\nHeavyDashDot=BYLAYER\n";

constexpr const char* kPart = R"(FIGURE { NAME { "Bolzen" } FIGURITEMS {
    LINE { POINT { 0 0 } POINT { 10 0 } } } })";

}  // namespace

class PlacementTest : public E2eTest {
 protected:
  PlacementTest() {
    std::ofstream(dir / "user" / "acad2d.cfg", std::ios::binary) << kSettings;
    std::ofstream(dir / "part.mf", std::ios::binary) << kPart;
  }
  HostRun place(const std::string& answers) {
    return run("(C:MOXIopenps2 \"part.mf\")\n" + answers);
  }
};

TEST_F(PlacementTest, DragMovesThePartAndRotationTurnsItAboutThePoint) {
  HostRun r = place("100,50\n90\n");
  ASSERT_EQ(r.status, 0) << r.err;
  auto drags = r.calls("ads_draggen");
  ASSERT_EQ(drags.size(), 1u) << r.out;
  EXPECT_EQ(drags[0]["prompt"], "Einf\xC3\xBCgepunkt w\xC3\xA4hlen:");
  auto orients = r.calls("ads_getorient");
  ASSERT_EQ(orients.size(), 1u);
  EXPECT_EQ(orients[0]["prompt"], "Drehwinkel:");
  auto xforms = r.calls("ads_xformss");
  ASSERT_EQ(xforms.size(), 2u);
  EXPECT_EQ(xforms[0]["set"], drags[0]["set"]) << "the set the import filled is moved";
  EXPECT_EQ(xforms[0]["rc"], 5100);
  EXPECT_EQ(xforms[1]["rc"], 5100);
  const Matrix move = matrixOf(xforms[0]["matrix"]);
  const Matrix turn = matrixOf(xforms[1]["matrix"]);
  // The line's ends: (0, 0) lands on the point and stays there; (10, 0) turns up.
  auto a = apply(turn, apply(move, {0, 0, 0}));
  auto b = apply(turn, apply(move, {10, 0, 0}));
  EXPECT_NEAR(a[0], 100, 1e-9);
  EXPECT_NEAR(a[1], 50, 1e-9);
  EXPECT_NEAR(b[0], 100, 1e-9);
  EXPECT_NEAR(b[1], 60, 1e-9);
  // Line feeds before each prompt.
  std::vector<std::string> fns = r.fns();
  auto drag = std::find(fns.begin(), fns.end(), "ads_draggen");
  ASSERT_NE(drag, fns.begin());
  EXPECT_EQ(*(drag - 1), "ads_printf");
}

TEST_F(PlacementTest, DraggedHeightIsIgnored) {
  HostRun r = place("3,4,7\n\n");
  auto xforms = r.calls("ads_xformss");
  ASSERT_EQ(xforms.size(), 2u) << r.out;
  EXPECT_EQ(xforms[0]["matrix"], json::parse("[[1,0,0,3],[0,1,0,4],[0,0,1,0],[0,0,0,1]]"));
  EXPECT_EQ(xforms[1]["matrix"], json::parse("[[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]]"))
      << "an empty answer means no rotation";
  EXPECT_EQ(r.calls("ads_getorient")[0]["rc"], 5000);
}

TEST_F(PlacementTest, CancelledDragLeavesThePartAtTheOriginAndStillAsksForTheAngle) {
  HostRun r = place("^C\n45\n");
  auto xforms = r.calls("ads_xformss");
  ASSERT_EQ(xforms.size(), 2u) << r.out;
  EXPECT_EQ(xforms[0]["matrix"], json::parse("[[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]]"));
  const Matrix turn = matrixOf(xforms[1]["matrix"]);
  auto p = apply(turn, {1, 0, 0});
  EXPECT_NEAR(p[0], std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(p[1], std::sqrt(0.5), 1e-9);
  EXPECT_EQ(r.calls("ads_command").back()["args"][1][1], "1") << "the command ends normally";
}

TEST_F(PlacementTest, CancelledRotationKeepsThePlace) {
  HostRun r = place("20,0\n^C\n");
  auto xforms = r.calls("ads_xformss");
  ASSERT_EQ(xforms.size(), 2u) << r.out;
  EXPECT_EQ(xforms[1]["matrix"], json::parse("[[1,0,0,0],[0,1,0,0],[0,0,1,0],[0,0,0,1]]"));
  EXPECT_EQ(r.calls("ads_ssfree").size(), 2u) << "figure set and placement set are released";
}

// 3D parts come from the catalogue stand-in through the launcher of the
// sample installation (one second of waiting per command).
class SatPlacementTest : public E2eTest {
 protected:
  SatPlacementTest() { settings((dir / "part.sat").string()); }

  void settings(const std::string& satFile) {
    std::ofstream(dir / "user" / "acad2d.cfg", std::ios::binary)
        << "[XCHG3D]\nSATFileName=" << satFile << "\n";
  }
  HostRun runWith(const std::string& script, const std::string& environment = "") {
    std::ofstream(dir / "script.scr", std::ios::binary) << script;
    std::string cmd = "cd '" + dir.string() + "' && env -u HALDRIX -u HALDRIX_SETUP" +
                      " -u HALDRIX_LANGUAGE -u MOXICATALOG_PART HALDRIX_USER='" +
                      (dir / "user").string() + "' " + environment + " '" + binary() +
                      "' --trace trace.jsonl script.scr > out.txt 2> err.txt";
    HostRun r;
    int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read(dir / "out.txt");
    r.err = read(dir / "err.txt");
    std::istringstream lines(read(dir / "trace.jsonl"));
    std::string line;
    while (std::getline(lines, line)) r.trace.push_back(json::parse(line));
    return r;
  }
  static std::vector<json> blockCommands(const HostRun& r) {
    std::vector<json> v;
    for (const json& e : r.calls("ads_command"))
      if (e["args"][0][1] == "_.BLOCK") v.push_back(e["args"]);
    return v;
  }
};

TEST_F(SatPlacementTest, EachPartGetsTheNextFreeMoxisolBlock) {
  HostRun r = runWith("MOXIviewer3d\n10,20,5\nLINE 0,0 10,0\nMOXIviewer3d\n\nMOXIass3d\n^C\n");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<json> blocks = blockCommands(r);
  ASSERT_EQ(blocks.size(), 3u) << r.out;
  EXPECT_EQ(blocks[0][1][1], "MOXISOL");
  EXPECT_EQ(blocks[1][1][1], "MOXISOL0");
  EXPECT_EQ(blocks[2][1][1], "MOXISOL1");
  EXPECT_EQ(blocks[0][2], json::parse("[5002,[0,0,0]]"));
  EXPECT_EQ(blocks[0][4], json::parse(R"([5005,""])"));
  // Each block holds the one solid of its import: the line drawn before the
  // second import is not collected.
  std::size_t added = 0;
  for (const json& e : r.calls("ads_ssadd"))
    if (e.contains("ent")) ++added;
  EXPECT_EQ(added, 3u + 3u) << "three solids, three inserts";
  std::vector<json> inserts;
  for (const json& e : r.calls("ads_entmake")) inserts.push_back(e["list"]);
  ASSERT_EQ(inserts.size(), 3u);
  EXPECT_EQ(inserts[1], json::parse(R"([[5020,"INSERT"],[2,"MOXISOL0"],[10,[0,0,0]],[50,0]])"));
  // Dragged in x and y only; 3D parts are never turned.
  auto xforms = r.calls("ads_xformss");
  ASSERT_EQ(xforms.size(), 3u);
  EXPECT_EQ(xforms[0]["matrix"], json::parse("[[1,0,0,10],[0,1,0,20],[0,0,1,0],[0,0,0,1]]"));
  EXPECT_TRUE(r.calls("ads_getorient").empty());
  // In the empty drawing the walk starts at the drawing's first entity.
  auto nexts = r.calls("ads_entnext");
  ASSERT_FALSE(nexts.empty());
  EXPECT_TRUE(nexts[0]["ent"].is_null());
}

TEST_F(SatPlacementTest, AMissingSatFileEndsQuietly) {
  HostRun r = runWith("MOXIviewer3d\n", "MOXICATALOG_PART=nofile");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(blockCommands(r).empty());
  for (const json& e : r.calls("ads_command")) EXPECT_NE(e["args"][0][1], "_acisin");
  EXPECT_TRUE(r.calls("ads_printf").empty()) << r.out;
  EXPECT_EQ(r.calls("ads_command").back()["args"][1][1], "1");
}

TEST_F(SatPlacementTest, AnImportThatMakesNothingLeavesTheDrawingAlone) {
  // A directory stands where the SAT file should be: it exists, but the host
  // reads nothing from it.
  std::filesystem::create_directories(dir / "sat.d");
  std::ofstream(dir / "sat.d" / "keep") << "x";
  settings((dir / "sat.d").string());
  HostRun r = runWith("LINE 0,0 10,0\nMOXIviewer3d\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(blockCommands(r).empty());
  EXPECT_TRUE(r.calls("ads_entmake").empty());
  EXPECT_TRUE(r.calls("ads_draggen").empty());
  for (const json& e : r.calls("ads_ssadd")) EXPECT_FALSE(e.contains("ent"));
}
