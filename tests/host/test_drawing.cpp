// The drawing database and the host functions on it: what entmake refuses,
// the POLYLINE sequence, ads_xformss on every entity kind, ACIS files, symbol
// tables ignoring case, selection sets, variables, ads_inters.
#include <cstdio>
#include <fstream>
#include <tuple>

#include "host_fixture.h"

using namespace drafthost;

namespace {

std::string tableName(resbuf* record) {
  std::string name = record ? groupOf(fromChain(record), 2).text : "<none>";
  ads_relrb(record);
  return name;
}

Matrix affine(double a, double b, double c, double d, double dx, double dy, double z = 1) {
  return {{{a, b, 0, dx}, {c, d, 0, dy}, {0, 0, z, 0}, {0, 0, 0, 1}}};
}
const Matrix kTurn = affine(0, -1, 1, 0, 15, -5);         // 90 degrees about (10, 5)
const Matrix kTurnDouble = affine(0, -2, 2, 0, 0, 0, 2);  // 90 degrees, twice the size
const Matrix kMirror = affine(-1, 0, 0, 1, 0, 0);         // about the y axis
const Matrix kShift = affine(1, 0, 0, 1, 3, 4);

}  // namespace

TEST_F(HostTest, EntmakeRefusesWhatAHostRefusesAndSaysWhy) {
  ASSERT_TRUE(host.drawing.entmake(entityList("LINE 10=0,0 11=1,0"), nullptr));
  ASSERT_TRUE(host.drawing.defineBlock("Empty", {0, 0, 0}, {}));
  const std::pair<std::string, const char*> cases[] = {
      {"8=0 10=0,0", "does not start with the entity type"},
      {"SPLINEX 10=0,0", "unknown entity type"},
      {"LINE 0=ARC", "more than one entity type"},
      {"LINE 10=0,0", "required group 11"},
      {"CIRCLE 10=0,0 40=0", "radius must be positive"},
      {"ARC 10=0,0 40=-1 50=0 51=1", "radius must be positive"},
      {"ARC 10=0,0 40=1 50=0", "required group 51"},
      {"ELLIPSE 10=0,0 11=1,0 40=2", "(0, 1]"},
      {"ELLIPSE 10=0,0 11=0,0 40=0.5", "no length"},
      {"CIRCLE 6=Verdeckt 10=0,0 40=1", "linetype \"Verdeckt\" is not loaded"},
      {"CIRCLE 62=300 10=0,0 40=1", "invalid colour"},
      {"CIRCLE 62=-1 10=0,0 40=1", "invalid colour"},
      {"CIRCLE 8=a<b 10=0,0 40=1", "invalid layer name"},
      {"CIRCLE 330=99 10=0,0 40=1", "names no entity"},
      {"CIRCLE 10=0,0 40=nan", "group 40 is not a number"},
      {"INSERT 2=NOPE 10=0,0", "block \"NOPE\" does not exist"},
      {"INSERT 2=empty 10=0,0 41=0", "scale factor is zero"},
      {"VERTEX 10=0,0", "without a POLYLINE"},
      {"SEQEND", "without a POLYLINE"},
      {"MTEXT 10=0,0 71=10", "attachment"},
      {"MTEXT 10=0,0 40=0", "height"},
      {"MTEXT 10=0,0 72=2", "drawing direction"},
      {hatchList(1, 4), "group 72 expected"},
      {hatchList(1, 3, 2), "group 330 expected"},
      {hatchList(99), "boundary object does not exist"},
  };
  for (const auto& [text, why] : cases) {
    std::string error;
    EXPECT_FALSE(host.drawing.entmake(entityList(text), &error)) << text;
    EXPECT_NE(error.find(why), std::string::npos) << text << ": " << error;
  }
  EXPECT_EQ(host.drawing.lastMain(), 1u) << "nothing may have been added";
  EXPECT_EQ(host.drawing.layers().records().size(), 1u) << "no layer from a refused list";
  // A sound list makes its missing layer; another entity drops an unfinished polyline.
  for (const char* text : {"POLYLINE 66=1", "VERTEX 10=0,0", "CIRCLE 8=Kontur 10=0,0 40=1"})
    EXPECT_TRUE(host.drawing.entmake(entityList(text), nullptr)) << text;
  EXPECT_EQ(host.drawing.layers().find("KONTUR")->name, "Kontur");
  EXPECT_FALSE(host.drawing.entmake(entityList("SEQEND"), nullptr));
  EXPECT_TRUE(host.drawing.entmake(entityList(hatchList(1)), nullptr));
}

// Every body of a SAT file becomes a solid carrying the whole text, as long as
// that stays within 256 MiB in all.
TEST_F(HostTest, AcisinMakesASolidPerBodyUnlessThatTakesTooMuch) {
  const std::string sat = ::testing::TempDir() + "drafthost_" + std::to_string(::getpid()) + ".sat";
  std::string text = "700 0 2 0\n@7 drafthost @4 test\n1 9.9999999999999995e-07 1e-10\n";
  std::ofstream(sat) << text << "body $-1 #\nlump $-1 $2 $0 #\n-2 body $-1 #\n";
  const GroupList acisin = {Group::str(RTSTR, "_acisin"), Group::str(RTSTR, sat)};
  EXPECT_EQ(host.runCommand(acisin), RTNORM);
  EXPECT_EQ(host.drawing.mainEntities(0).size(), 2u) << "one solid per body";
  EXPECT_EQ(groupOf(host.drawing.groups(*host.drawing.entity(2)), 1).text, "700 0 2 0")
      << "the SAT text";
  for (int b = 0; b < 2000; ++b) text += "body $-1 -1 $-1 $1 $-1 $-1 #\n";
  std::ofstream(sat) << text << std::string(100000, 'x') << "\n";  // 150 kB: 300 MB of solids
  EXPECT_EQ(host.runCommand(acisin), RTERROR);
  EXPECT_NE(out.str().find("ACIS file too large: 2000 bodies"), std::string::npos) << out.str();
  std::remove(sat.c_str());
}

// Calls on the tables, selection sets, variables and ads_inters, in order,
// each with what it must give back.
TEST_F(HostTest, TablesSetsVariablesAndIntersectionsAnswerAsAHostDoes) {
  ASSERT_TRUE(host.drawing.addLayer("MITTE"));
  ASSERT_TRUE(host.drawing.defineBlock("Teil", {0, 0, 0}, {}));
  auto rc = [](int code) { return std::to_string(code); };
  ads_name set, bogus = {42, 0};
  resbuf echo;
  const ads_point a = {0, 0, 0}, b = {10, 0, 0}, c = {5, -5, 0}, d = {5, -1, 0};
  ads_point at;
  const std::tuple<const char*, std::string, std::string> calls[] = {
      {"first layer", tableName(ads_tblnext("layer", 1)), "0"},
      {"next layer", tableName(ads_tblnext("LAYER", 0)), "MITTE"},
      {"past the end", tableName(ads_tblnext("LAYER", 0)), "<none>"},
      {"a search ignores case", tableName(ads_tblsearch("Layer", "mitte", 0)), "MITTE"},
      {"... but not a letter", tableName(ads_tblsearch("LAYER", "MITT", 0)), "<none>"},
      {"an unknown table", tableName(ads_tblsearch("NOSUCHTABLE", "0", 1)), "<none>"},
      {"no names", tableName(ads_tblsearch(nullptr, nullptr, 1)), "<none>"},
      {"a search with setnext", tableName(ads_tblsearch("LAYER", "0", 1)), "0"},
      {"... moves the cursor", tableName(ads_tblnext("LAYER", 0)), "MITTE"},
      {"the linetypes", tableName(ads_tblnext("ltype", 1)), "BYBLOCK"},
      {"the blocks", tableName(ads_tblnext("block", 1)), "Teil"},
      {"a bogus entity for a set", rc(ads_ssadd(bogus, nullptr, set)), rc(RTERROR)},
      {"a variable", rc(ads_getvar("CmdEcho", &echo)), rc(RTNORM)},
      {"... of type short", rc(echo.restype) + " " + rc(echo.resval.rint), rc(RTSHORT) + " 1"},
      {"lines that meet", rc(ads_inters(a, b, c, d, 0, at)), rc(RTNORM)},
      {"... there", rc(int(at[0])), "5"},
      {"segments that do not", rc(ads_inters(a, b, c, d, 1, at)), rc(RTNONE)},
  };
  for (const auto& [name, got, want] : calls) EXPECT_EQ(got, want) << name;
  std::vector<int32_t> made;
  while (ads_ssadd(nullptr, nullptr, set) == RTNORM && made.size() < 1000) made.push_back(set[0]);
  EXPECT_EQ(made.size(), 128u) << "a host holds 128 sets at most";
  set[0] = made[0];
  EXPECT_EQ(ads_ssfree(set), RTNORM);
  EXPECT_EQ(ads_ssfree(set), RTERROR);
}

TEST_F(HostTest, XformssMovesEveryKindAsItsGroupsMean) {
  ASSERT_TRUE(host.drawing.entmake(entityList("LINE 10=1,0 11=3,0"), nullptr));
  ASSERT_TRUE(host.drawing.defineBlock("B", {0, 0, 0}, {}));
  const std::string hatch = hatchList(1);
  // Name, entity lists made in turn (split by " | "; the last main entity
  // moves), matrix, and "code[#nth]=value ...": the nth group with the code
  // among the entity's and its vertices' groups, a real or x,y of a point.
  const std::tuple<const char*, std::string, Matrix, const char*> cases[] = {
      {"line turned", "LINE 10=10,5 11=20,5", kTurn, "10=10,5 11=10,15"},
      {"arc turned and doubled", "ARC 10=1,2 40=1 50=0 51=90d", kTurnDouble,
       "10=-4,2 40=2 50=90d 51=180d"},
      {"ellipse turned and doubled: the axis is a vector, ratio and parameters stay",
       "ELLIPSE 10=1,2 11=4,0 40=0.5 41=0 42=1", kTurnDouble, "10=-4,2 11=0,8 40=0.5 41=0 42=1"},
      {"text turned and doubled", "MTEXT 10=1,2 40=2.5 1=A 50=0", kTurnDouble,
       "10=-4,2 40=5 50=90d"},
      {"polyline turned: vertices move, the bulge stays",
       "POLYLINE 66=1 10=10,5 | VERTEX 10=20,5 42=0.5 | VERTEX 10=10,8 | SEQEND", kTurn,
       "10#1=10,15 42=0.5 10#2=7,5"},
      {"insert turned and doubled gains an angle and the scale factors it lacks",
       "INSERT 2=B 10=1,2 42=1", kTurnDouble, "10=-4,2 42=2 41=2 43=2 50=90d"},
      {"hatch moved: edges, seeds and the pattern base move, vectors do not", hatch, kShift,
       "10=0,0 10#1=4,4 11=6,4 10#2=4,6 11#1=2,0 43=4 44=4 46=5 10#4=7,9"},
      {"hatch turned and doubled", hatch, kTurnDouble,
       "40=6 40#1=0.5 41=10 11#1=0,4 43=0 44=2 45=-10 46=0 50=135d 51=270d 50#1=0 52=135d 53=135d"},
      {"arc mirrored: start and end swap", "ARC 10=5,0 40=1 50=0 51=90d", kMirror,
       "10=-5,0 50=90d 51=180d"},
      {"elliptic arc mirrored: the parameters turn round",
       "ELLIPSE 10=0,0 11=2,0 40=0.5 41=0 42=90d", kMirror, "41=270d 42=0"},
      {"full ellipse mirrored stays whole", "ELLIPSE 10=0,0 11=2,0 40=0.5 41=0 42=360d", kMirror,
       "41=0 42=360d"},
      {"polyline mirrored: the bulge turns the other way",
       "POLYLINE 66=1 10=0,0 | VERTEX 10=5,0 42=0.4142 | SEQEND", kMirror, "42=-0.4142"},
      {"insert mirrored: a negative x scale", "INSERT 2=B 10=5,0", kMirror, "10=-5,0 41=-1 50=0"},
  };
  for (const auto& [name, lists, m, wants] : cases) {
    for (std::size_t from = 0, bar = 0; bar != std::string::npos; from = bar + 3) {
      bar = lists.find(" | ", from);
      ASSERT_TRUE(host.drawing.entmake(entityList(lists.substr(from, bar - from)), nullptr))
          << name;
    }
    host.drawing.transform({host.drawing.lastMain()}, similarityOf(m).value());
    const Entity* x = host.drawing.entity(host.drawing.lastMain());
    GroupList family = host.drawing.groups(*x);
    for (EntityId child : x->children())
      for (const Group& g : host.drawing.groups(*host.drawing.entity(child))) family.push_back(g);
    std::istringstream expect(wants);
    for (std::string item; expect >> item;) {
      const std::size_t hash = item.find('#'), eq = item.find('=');
      const int code = std::stoi(item), nth = hash < eq ? std::stoi(item.substr(hash + 1)) : 0;
      const Group want = entityList(item.substr(0, std::min(hash, eq)) + item.substr(eq))[0];
      const Group& got = groupOf(family, code, nth);
      const bool point = got.kind == ValueKind::Point;
      for (std::size_t i = 0; i < (point ? 2 : 1); ++i)
        EXPECT_NEAR(point ? got.point[i] : got.real, point ? want.point[i] : want.real, 1e-9)
            << name << ": " << item;
    }
  }
  // Uneven scales are refused; a solid keeps its text and accumulates the movements.
  EXPECT_FALSE(similarityOf(affine(2, 0, 0, 3, 0, 0)));
  const EntityId solid = host.drawing.addEntity("3DSOLID", entityList("1=700"));
  for (int i = 0; i < 2; ++i)
    host.drawing.transform({solid}, *similarityOf(affine(2, 0, 0, 2, 1, 0, 2)));
  EXPECT_EQ(host.drawing.placement(solid)[0][0], 4);
  EXPECT_EQ(host.drawing.placement(solid)[0][3], 3);
}

TEST(DrawingTest, ListsMadeStraightFromTheChainEnterAsTheirGroupsWould) {
  // The lists entmakeQuick takes, and lists it must leave to entmake.
  const std::pair<std::string, bool> cases[] = {
      {"LINE 10=0,0 11=1,0", true},
      {"line 8=Walls 6=CONTINUOUS 62=3 370=25 10=0,0,1 11=1,2,3", true},
      {"CIRCLE 10=5,5 40=2 39=1.5", true},
      {"ARC 8=Walls 10=0,0 40=1 50=0.5 51=1 330=1", true},
      {"3DSOLID 1=body 70=1", true},
      {"LINE 10=0,0", false},
      {"CIRCLE 10=0,0 40=0", false},
      {"ARC 10=0,0 40=1 50=0", false},
      {"LINE 6=Verdeckt 10=0,0 11=1,0", false},
      {"LINE 62=300 10=0,0 11=1,0", false},
      {"LINE 8=Other 10=0,0 11=1,0", false},
      {"LINE 10=0,0 11=nan", false},
      {"LINE 0=ARC 10=0,0 11=1,0", false},
      {"LINE 330=99 10=0,0 11=1,0", false},
      {"ELLIPSE 10=0,0 11=1,0 40=0.5", false},
      {"VERTEX 10=0,0", false},
  };
  for (const auto& [text, quick] : cases) {
    SCOPED_TRACE(text);
    Drawing general, direct;
    for (Drawing* d : {&general, &direct}) {
      ASSERT_TRUE(d->addLayer("Walls"));
      ASSERT_TRUE(d->entmake(entityList("LINE 10=0,0 11=1,0"), nullptr));
    }
    const GroupList list = entityList(text);
    resbuf* chain = toChain(list);
    EXPECT_EQ(direct.entmakeQuick(chain), quick);
    freeChain(chain);
    const bool made = general.entmake(list, nullptr);
    if (!quick) {
      // Left alone: entmake decides, on an unchanged drawing.
      EXPECT_EQ(direct.entity(2), nullptr);
      EXPECT_EQ(direct.layers().records().size(), 2u);
      continue;
    }
    ASSERT_TRUE(made);
    const GroupList a = general.groups(*general.entity(2));
    const GroupList b = direct.groups(*direct.entity(2));
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].code, b[i].code);
      EXPECT_EQ(a[i].kind, b[i].kind);
      EXPECT_EQ(a[i].text, b[i].text);
      EXPECT_EQ(a[i].real, b[i].real);
      EXPECT_EQ(a[i].point, b[i].point);
      EXPECT_EQ(a[i].integer, b[i].integer);
      EXPECT_EQ(a[i].name, b[i].name);
    }
    EXPECT_EQ(general.entity(2)->type, direct.entity(2)->type);
    EXPECT_EQ(general.entity(2)->handle(), direct.entity(2)->handle());
  }
}
