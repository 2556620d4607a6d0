// Entity creation and inspection: what ads_entmake accepts and refuses, the
// POLYLINE sequence, entity walking, tables ignoring case, and the BLOCK command.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "host_fixture.h"

using namespace drafthost;

namespace {

const ads_point kOrigin = {0, 0, 0};
const ads_point kP1 = {10, 0, 0};
const ads_point kAxis = {10, 0, 0};

}  // namespace

TEST_F(HostTest, EntmakeRefusesWhatAHostRefuses) {
  ads_command(RTSTR, "_.BLOCK", RTSTR, "EMPTY", RTPOINT, kOrigin, RTSTR, "", RTNONE);
  struct Case {
    const char* what;
    resbuf* list;
  } cases[] = {
      {"unknown type", ads_buildlist(RTDXF0, "SPLINEX", 10, kOrigin, 0)},
      {"no type", ads_buildlist(8, "0", 10, kOrigin, 0)},
      {"LINE without 11", ads_buildlist(RTDXF0, "LINE", 10, kOrigin, 0)},
      {"CIRCLE radius 0", ads_buildlist(RTDXF0, "CIRCLE", 10, kOrigin, 40, 0.0, 0)},
      {"ARC radius < 0", ads_buildlist(RTDXF0, "ARC", 10, kOrigin, 40, -1.0, 50, 0.0, 51, 1.0, 0)},
      {"ARC without 51", ads_buildlist(RTDXF0, "ARC", 10, kOrigin, 40, 1.0, 50, 0.0, 0)},
      {"ELLIPSE ratio 2",
       ads_buildlist(RTDXF0, "ELLIPSE", 10, kOrigin, 11, kAxis, 40, 2.0, 41, 0.0, 42, 1.0, 0)},
      {"ELLIPSE ratio 0", ads_buildlist(RTDXF0, "ELLIPSE", 10, kOrigin, 11, kAxis, 40, 0.0, 0)},
      {"ELLIPSE zero axis", ads_buildlist(RTDXF0, "ELLIPSE", 10, kOrigin, 11, kOrigin, 40, 0.5, 0)},
      {"unknown linetype", ads_buildlist(RTDXF0, "LINE", 6, "Verdeckt", 10, kOrigin, 11, kP1, 0)},
      {"colour 300", ads_buildlist(RTDXF0, "LINE", 62, 300, 10, kOrigin, 11, kP1, 0)},
      {"bad layer name", ads_buildlist(RTDXF0, "LINE", 8, "a<b", 10, kOrigin, 11, kP1, 0)},
      {"INSERT of a missing block", ads_buildlist(RTDXF0, "INSERT", 2, "NOPE", 10, kOrigin, 0)},
      {"INSERT scale 0", ads_buildlist(RTDXF0, "INSERT", 2, "empty", 10, kOrigin, 41, 0.0, 0)},
      {"VERTEX alone", ads_buildlist(RTDXF0, "VERTEX", 10, kOrigin, 0)},
      {"SEQEND alone", ads_buildlist(RTDXF0, "SEQEND", 0)},
      {"MTEXT attachment 10",
       ads_buildlist(RTDXF0, "MTEXT", 10, kOrigin, 40, 2.5, 71, 10, 1, "x", 0)},
      {"MTEXT height 0", ads_buildlist(RTDXF0, "MTEXT", 10, kOrigin, 40, 0.0, 1, "x", 0)},
      {"not a number", ads_buildlist(RTDXF0, "CIRCLE", 10, kOrigin, 40, std::nan(""), 0)},
  };
  for (auto& c : cases) {
    ASSERT_NE(c.list, nullptr) << c.what;
    EXPECT_EQ(make(c.list), RTERROR) << c.what;
  }
  ads_name e;
  EXPECT_EQ(ads_entlast(e), RTERROR) << "nothing may have been added";
  EXPECT_EQ(host.drawing.layers().records().size(), 1u) << "no layer from a refused list";
}

TEST_F(HostTest, EntmakeCreatesAMissingLayerAndFindsNamesIgnoringCase) {
  EXPECT_EQ(make(ads_buildlist(RTDXF0, "LINE", 8, "Kontur", 6, "continuous", 62, 3, 10, kOrigin, 11,
                               kP1, 0)),
            RTNORM);
  ASSERT_NE(host.drawing.layers().find("KONTUR"), nullptr);
  EXPECT_EQ(host.drawing.layers().find("kontur")->name, "Kontur");
  // A list without a layer goes to the current layer.
  EXPECT_EQ(make(ads_buildlist(RTDXF0, "CIRCLE", 10, kOrigin, 40, 2.0, 0)), RTNORM);
  EXPECT_EQ(groupOf(lastGroups(), 8).text, "0");
  EXPECT_EQ(groupOf(lastGroups(), 0).text, "CIRCLE");
}

TEST_F(HostTest, PolylineEntersTheDrawingWithItsSeqend) {
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "LINE", 10, kOrigin, 11, kP1, 0)), RTNORM);
  ads_name line;
  ads_entlast(line);
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "POLYLINE", 66, 1, 70, 0, 10, kOrigin, 0)), RTNORM);
  ads_name last;
  ads_entlast(last);
  EXPECT_EQ(last[0], line[0]) << "an unfinished polyline is not in the drawing yet";
  for (double x : {0.0, 5.0, 10.0}) {
    ads_point p = {x, 1, 0};
    ASSERT_EQ(make(ads_buildlist(RTDXF0, "VERTEX", 10, p, 42, 0.0, 0)), RTNORM);
  }
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "SEQEND", 0)), RTNORM);
  ads_entlast(last);
  EXPECT_EQ(groupOf(groupsOf(last), 0).text, "POLYLINE");

  // entnext walks line, polyline, three vertices, seqend.
  std::vector<std::string> types;
  ads_name e, next;
  for (int rc = ads_entnext(nullptr, e); rc == RTNORM; rc = ads_entnext(e, next), e[0] = next[0])
    types.push_back(groupOf(groupsOf(e), 0).text);
  EXPECT_EQ(types,
            (std::vector<std::string>{"LINE", "POLYLINE", "VERTEX", "VERTEX", "VERTEX", "SEQEND"}));
}

TEST_F(HostTest, AnotherEntityDropsAnUnfinishedPolyline) {
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "POLYLINE", 66, 1, 10, kOrigin, 0)), RTNORM);
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "VERTEX", 10, kOrigin, 0)), RTNORM);
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "LINE", 10, kOrigin, 11, kP1, 0)), RTNORM);
  EXPECT_EQ(make(ads_buildlist(RTDXF0, "SEQEND", 0)), RTERROR);
  EXPECT_EQ(host.drawing.mainEntities(0).size(), 1u);
}

TEST_F(HostTest, HatchCountsMustMatchTheGroupsThatFollow) {
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "CIRCLE", 10, kOrigin, 40, 5.0, 0)), RTNORM);
  ads_name circle;
  ads_entlast(circle);
  const ads_point z = {0, 0, 1};
  auto hatch = [&](int refs, int edges) {
    return ads_buildlist(RTDXF0, "HATCH", 100, "AcDbEntity", 8, "0", 100, "AcDbHatch", 62, 7, 10,
                         kOrigin, 210, z, 2, "_U", 70, 0, 71, 1, 91, 1, 92, 1, 93, edges, 72, 2, 10,
                         kOrigin, 40, 5.0, 50, 0.0, 51, 6.283185307179586, 73, 1, 97, refs, 330,
                         circle, 75, 0, 76, 1, 52, 0.785, 41, 5.0, 77, 0, 78, 1, 53, 0.785, 43, 0.0,
                         44, 0.0, 45, -3.5, 46, 3.5, 79, 0, 98, 1, 10, kOrigin, 0);
  };
  EXPECT_EQ(make(hatch(2, 1)), RTERROR) << "97 announces more references than follow";
  EXPECT_EQ(make(hatch(1, 2)), RTERROR) << "93 announces more edges than follow";
  EXPECT_EQ(make(hatch(1, 1)), RTNORM);
}

TEST_F(HostTest, TablesFindEntriesIgnoringCase) {
  EXPECT_EQ(ads_command(RTSTR, "_.layer", RTSTR, "_new", RTSTR, "MITTE", RTSTR, "", RTNONE),
            RTNORM);
  EXPECT_EQ(
      ads_command(RTSTR, "_.layer", RTSTR, "_color", RTSHORT, 3, RTSTR, "mitte", RTSTR, "", RTNONE),
      RTNORM);
  EXPECT_EQ(host.drawing.layers().find("Mitte")->color, 3);
  EXPECT_EQ(ads_command(RTSTR, "_.layer", RTSTR, "_ltype", RTSTR, "Verdeckt", RTSTR, "MITTE", RTSTR,
                        "", RTNONE),
            RTERROR)
      << "linetype not loaded";

  // tblnext walks the table; names come back as created.
  std::vector<std::string> names;
  for (resbuf* r = ads_tblnext("layer", 1); r; r = ads_tblnext("LAYER", 0)) {
    names.push_back(groupOf(fromChain(r), 2).text);
    ads_relrb(r);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"0", "MITTE"}));
  resbuf* lt = ads_tblnext("LTYPE", 1);
  ASSERT_NE(lt, nullptr);
  ads_relrb(lt);

  // tblsearch finds one record ignoring case; with setnext the walk goes on after it.
  resbuf* found = ads_tblsearch("Layer", "mitte", 0);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(groupOf(fromChain(found), 2).text, "MITTE");
  EXPECT_EQ(groupOf(fromChain(found), 62).integer, 3);
  ads_relrb(found);
  EXPECT_EQ(ads_tblsearch("LAYER", "MITT", 0), nullptr);
  EXPECT_EQ(ads_tblsearch("LAYER", "", 0), nullptr);
  EXPECT_EQ(ads_tblsearch("NOSUCHTABLE", "0", 1), nullptr);
  EXPECT_EQ(ads_tblsearch(nullptr, nullptr, 1), nullptr);
  ads_relrb(ads_tblsearch("LAYER", "0", 1));
  resbuf* after = ads_tblnext("LAYER", 0);
  ASSERT_NE(after, nullptr);
  EXPECT_EQ(groupOf(fromChain(after), 2).text, "MITTE");
  ads_relrb(after);
  EXPECT_EQ(ads_tblnext("LAYER", 0), nullptr);
}

TEST_F(HostTest, LinetypeLoadSearchesTheSupportPath) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("drafthost_lin_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "test.lin") << ";; sample\n*VERDECKT,Hidden __ __\nA,6.35,-3.175\n"
                                     "*Mitte,Center ____ _ ____\nA,31.75,-6.35,6.35,-6.35\n";
  ::setenv("DRAFTHOST_SUPPORT", ("/nonexistent:" + dir.string()).c_str(), 1);
  EXPECT_EQ(ads_command(RTSTR, "_.linetype", RTSTR, "_load", RTSTR, "verdeckt", RTSTR, "test.lin",
                        RTSTR, "", RTNONE),
            RTNORM);
  EXPECT_NE(host.drawing.linetypes().find("Verdeckt"), nullptr);
  EXPECT_EQ(host.drawing.linetypes().find("MITTE"), nullptr) << "only the named linetype";
  EXPECT_EQ(host.drawing.linetypes().find("verdeckt")->pattern,
            (std::vector<double>{6.35, -3.175}));
  EXPECT_EQ(ads_command(RTSTR, "_.linetype", RTSTR, "_load", RTSTR, "Strichpunkt", RTSTR,
                        "test.lin", RTSTR, "", RTNONE),
            RTERROR);
  EXPECT_EQ(ads_command(RTSTR, "_.linetype", RTSTR, "_load", RTSTR, "Mitte", RTSTR, "none.lin",
                        RTSTR, "", RTNONE),
            RTERROR);
  ::unsetenv("DRAFTHOST_SUPPORT");
  fs::remove_all(dir);
}

TEST_F(HostTest, BlockCommandMovesTheSelectionIntoTheBlock) {
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "LINE", 10, kOrigin, 11, kP1, 0)), RTNORM);
  ads_name keep, a, b, set;
  ads_entlast(keep);
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "CIRCLE", 10, kOrigin, 40, 1.0, 0)), RTNORM);
  ads_entlast(a);
  ASSERT_EQ(make(ads_buildlist(RTDXF0, "CIRCLE", 10, kP1, 40, 2.0, 0)), RTNORM);
  ads_entlast(b);
  ASSERT_EQ(ads_ssadd(nullptr, nullptr, set), RTNORM);
  ads_ssadd(a, set, set);
  ads_ssadd(b, set, set);
  EXPECT_EQ(ads_command(RTSTR, "_.BLOCK", RTSTR, "MOXISOL", RTPOINT, kOrigin, RTPICKS, set, RTSTR,
                        "", RTNONE),
            RTNORM);
  ads_ssfree(set);

  ads_name e, next;
  ASSERT_EQ(ads_entnext(nullptr, e), RTNORM);
  EXPECT_EQ(e[0], keep[0]);
  EXPECT_EQ(ads_entnext(e, next), RTERROR) << "the circles left model space";

  resbuf* rec = ads_tblnext("BLOCK", 1);
  GroupList block = fromChain(rec);
  ads_relrb(rec);
  EXPECT_EQ(groupOf(block, 2).text, "MOXISOL");
  EXPECT_EQ(groupOf(block, -2).name[0], a[0]);
  rec = ads_tblsearch("block", "moxisol", 0);
  GroupList searched = fromChain(rec);
  ads_relrb(rec);
  EXPECT_EQ(groupOf(searched, 2).text, "MOXISOL");
  EXPECT_EQ(groupOf(searched, -2).name[0], a[0]);

  EXPECT_EQ(ads_command(RTSTR, "_.BLOCK", RTSTR, "moxisol", RTPOINT, kOrigin, RTSTR, "", RTNONE),
            RTERROR)
      << "block names ignore case";
  EXPECT_EQ(make(ads_buildlist(RTDXF0, "INSERT", 2, "Moxisol", 10, kOrigin, 50, 0.0, 0)), RTNORM);
  EXPECT_EQ(groupOf(lastGroups(), 0).text, "INSERT");
}

TEST_F(HostTest, SelectionSetsAreLimitedAndChecked) {
  ads_name set, bogus = {42, 0};
  EXPECT_EQ(ads_ssadd(bogus, nullptr, set), RTERROR);
  std::vector<int32_t> made;
  while (ads_ssadd(nullptr, nullptr, set) == RTNORM && made.size() < 1000) made.push_back(set[0]);
  EXPECT_EQ(made.size(), 128u) << "a host holds 128 sets at most";
  set[0] = made[0];
  EXPECT_EQ(ads_ssfree(set), RTNORM);
  EXPECT_EQ(ads_ssfree(set), RTERROR);
  EXPECT_EQ(ads_ssadd(nullptr, nullptr, set), RTNORM);
}

TEST_F(HostTest, UnknownHostCommandIsAnError) {
  EXPECT_EQ(ads_command(RTSTR, "_.ZOOM", RTSTR, "_E", RTNONE), RTERROR);
  EXPECT_NE(out.str().find("Unknown command"), std::string::npos);
  EXPECT_EQ(ads_command(RTSTR, "_cmdecho", RTSTR, "0", 0), RTNORM);
  EXPECT_EQ(host.cmdecho, 0);
  resbuf rb;
  ASSERT_EQ(ads_getvar("CMDECHO", &rb), RTNORM);
  EXPECT_EQ(rb.restype, RTSHORT);
  EXPECT_EQ(rb.resval.rint, 0);
}

TEST_F(HostTest, AcisinMakesOneSolidPerBody) {
  namespace fs = std::filesystem;
  fs::path sat = fs::temp_directory_path() / ("drafthost_" + std::to_string(::getpid()) + ".sat");
  std::ofstream(sat) << "700 0 2 0\n@7 drafthost @4 test\n1 9.9999999999999995e-07 1e-10\n"
                        "body $-1 -1 $-1 $1 $-1 $-1 #\nlump $-1 -1 $-1 $-1 $2 $0 #\n"
                        "-2 body $-1 -1 $-1 $3 $-1 $-1 #\nEnd-of-ACIS-data\n";
  EXPECT_EQ(ads_command(RTSTR, "_acisin", RTSTR, sat.c_str(), RTNONE), RTNORM);
  EXPECT_EQ(host.drawing.mainEntities(0).size(), 2u);
  EXPECT_EQ(groupOf(lastGroups(), 0).text, "3DSOLID");
  EXPECT_EQ(groupOf(lastGroups(), 1).text, "700 0 2 0");
  std::ofstream(sat) << "not a sat file\n";
  EXPECT_EQ(ads_command(RTSTR, "_acisin", RTSTR, sat.c_str(), RTNONE), RTERROR);

  // Each solid carries the whole text: 2,000 bodies in a file of 150 kB would
  // make 300 MB of solids, so the file is refused and the drawing stays.
  {
    std::ofstream many(sat);
    many << "700 0 2 0\n@7 drafthost @4 test\n1 9.9999999999999995e-07 1e-10\n";
    for (int b = 0; b < 2000; ++b) many << "body $-1 -1 $-1 $1 $-1 $-1 #\n";
    many << std::string(100000, 'x') << "\nEnd-of-ACIS-data\n";
  }
  out.str("");
  EXPECT_EQ(ads_command(RTSTR, "_acisin", RTSTR, sat.c_str(), RTNONE), RTERROR);
  EXPECT_NE(out.str().find("ACIS file too large: 2000 bodies"), std::string::npos) << out.str();
  EXPECT_EQ(host.drawing.mainEntities(0).size(), 2u);
  fs::remove(sat);
  EXPECT_EQ(ads_command(RTSTR, "_acisin", RTSTR, sat.c_str(), RTNONE), RTERROR);
}

// Entities that move into blocks leave model space at once for every query,
// however many blocks are made and in whatever order the selection names them.
TEST(DrawingSpaces, BlocksTakeTheirEntitiesOutOfModelSpace) {
  Drawing dwg;
  std::string error;
  std::set<EntityId> model;                          // main entities of model space
  std::map<EntityId, std::vector<EntityId>> family;  // main entity -> itself and subentities
  std::mt19937 random(7);
  auto addShapes = [&](int n) {
    for (int i = 0; i < n; ++i) {
      if (random() % 4 == 0) {
        ASSERT_TRUE(dwg.entmake({Group::str(0, "POLYLINE"), Group::integral(66, 1)}, &error));
        for (int v = 0; v < 2; ++v)
          ASSERT_TRUE(
              dwg.entmake({Group::str(0, "VERTEX"), Group::pt(10, {double(v), 0, 0})}, &error));
        ASSERT_TRUE(dwg.entmake({Group::str(0, "SEQEND")}, &error)) << error;
      } else {
        ASSERT_TRUE(dwg.entmake(
            {Group::str(0, "LINE"), Group::pt(10, {0, 0, 0}), Group::pt(11, {1, 0, 0})}, &error))
            << error;
      }
      const EntityId main = dwg.lastMain();
      model.insert(main);
      family[main] = {main};
      for (EntityId c : dwg.entity(main)->children) family[main].push_back(c);
    }
  };
  auto expectModelSpace = [&] {
    std::vector<EntityId> walk, expected;
    for (EntityId id = dwg.next(0); id; id = dwg.next(id)) walk.push_back(id);
    for (EntityId m : model) expected.insert(expected.end(), family[m].begin(), family[m].end());
    EXPECT_EQ(walk, expected);
    EXPECT_EQ(dwg.mainEntities(0), std::vector<EntityId>(model.begin(), model.end()));
    EXPECT_EQ(dwg.lastMain(), model.empty() ? 0 : *model.rbegin());
  };
  for (int round = 0; round < 40; ++round) {
    addShapes(static_cast<int>(random() % 30));
    // A block of a random handful of model-space entities, named in shuffled order.
    std::vector<EntityId> pick(model.begin(), model.end());
    std::shuffle(pick.begin(), pick.end(), random);
    pick.resize(std::min<std::size_t>(pick.size(), random() % 40));
    std::vector<EntityId> asked = pick;
    if (!asked.empty()) asked.push_back(asked.front());  // named twice: taken once
    const std::string name = "B" + std::to_string(round);
    ASSERT_TRUE(dwg.defineBlock(name, {0, 0, 0}, asked));
    for (EntityId id : pick) model.erase(id);
    std::sort(pick.begin(), pick.end());
    const auto space = static_cast<uint32_t>(dwg.blocks().indexOf(name) + 1);
    EXPECT_EQ(dwg.mainEntities(space), pick);
    EXPECT_EQ(dwg.firstMain(space), pick.empty() ? 0 : pick.front());
    for (EntityId id : pick) {
      std::vector<EntityId> inBlock;
      for (EntityId e = dwg.next(id); e && dwg.entity(e)->parent == id; e = dwg.next(e))
        inBlock.push_back(e);
      EXPECT_EQ(inBlock, dwg.entity(id)->children) << "subentities follow their polyline";
    }
    expectModelSpace();
  }
  EXPECT_EQ(dwg.pick({0.5, 0, 0}, 0.1), model.empty() ? 0 : *model.rbegin());
}
