// ads_xformss on every entity kind, entsel picking and the prompts.
#include <cmath>

#include "host_fixture.h"

using namespace drafthost;

namespace {

const double kHalfPi = 1.5707963267948966;

void rotation90About(ads_matrix m, double x, double y) {
  // p' = R (p - c) + c with R = 90 degrees counter-clockwise.
  double r[4][4] = {{0, -1, 0, x + y}, {1, 0, 0, y - x}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = r[i][j];
}

void translation(ads_matrix m, double dx, double dy) {
  double t[4][4] = {{1, 0, 0, dx}, {0, 1, 0, dy}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = t[i][j];
}

void scaling(ads_matrix m, double s) {
  double t[4][4] = {{s, 0, 0, 0}, {0, s, 0, 0}, {0, 0, s, 0}, {0, 0, 0, 1}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = t[i][j];
}

void expectPoint(const Group& g, double x, double y, const char* what) {
  EXPECT_NEAR(g.point[0], x, 1e-9) << what;
  EXPECT_NEAR(g.point[1], y, 1e-9) << what;
}

}  // namespace

class XformTest : public HostTest {
 protected:
  // Puts the last entity into a fresh set and applies the matrix.
  int transformLast(ads_matrix m) {
    ads_name e, set;
    ads_entlast(e);
    ads_ssadd(e, nullptr, set);
    int rc = ads_xformss(set, m);
    ads_ssfree(set);
    return rc;
  }
};

TEST_F(XformTest, RotationAboutAPointTurnsEveryKind) {
  const ads_point c = {10, 5, 0}, p = {20, 5, 0}, q = {10, 8, 0}, axis = {4, 0, 0};
  ads_matrix m;
  rotation90About(m, 10, 5);

  make(ads_buildlist(RTDXF0, "LINE", 10, c, 11, p, 0));
  transformLast(m);
  expectPoint(groupOf(lastGroups(), 10), 10, 5, "line start (the centre stays)");
  expectPoint(groupOf(lastGroups(), 11), 10, 15, "line end");

  make(ads_buildlist(RTDXF0, "ARC", 10, p, 40, 2.0, 50, 0.0, 51, kHalfPi, 0));
  transformLast(m);
  expectPoint(groupOf(lastGroups(), 10), 10, 15, "arc centre");
  EXPECT_NEAR(groupOf(lastGroups(), 40).real, 2.0, 1e-12);
  EXPECT_NEAR(groupOf(lastGroups(), 50).real, kHalfPi, 1e-12);
  EXPECT_NEAR(groupOf(lastGroups(), 51).real, 2 * kHalfPi, 1e-12);

  make(ads_buildlist(RTDXF0, "CIRCLE", 10, p, 40, 3.0, 0));
  transformLast(m);
  expectPoint(groupOf(lastGroups(), 10), 10, 15, "circle centre");

  make(ads_buildlist(RTDXF0, "ELLIPSE", 100, "AcDbEntity", 10, p, 11, axis, 40, 0.5, 41, 0.0, 42,
                     1.0, 0));
  transformLast(m);
  expectPoint(groupOf(lastGroups(), 10), 10, 15, "ellipse centre");
  expectPoint(groupOf(lastGroups(), 11), 0, 4, "ellipse axis vector");
  EXPECT_NEAR(groupOf(lastGroups(), 41).real, 0.0, 1e-12) << "parameters stay";

  make(ads_buildlist(RTDXF0, "MTEXT", 10, p, 40, 2.5, 71, 1, 1, "A", 50, 0.0, 0));
  transformLast(m);
  expectPoint(groupOf(lastGroups(), 10), 10, 15, "text anchor");
  EXPECT_NEAR(groupOf(lastGroups(), 50).real, kHalfPi, 1e-12);

  make(ads_buildlist(RTDXF0, "POLYLINE", 66, 1, 10, c, 0));
  make(ads_buildlist(RTDXF0, "VERTEX", 10, p, 42, 0.5, 0));
  make(ads_buildlist(RTDXF0, "VERTEX", 10, q, 0));
  make(ads_buildlist(RTDXF0, "SEQEND", 0));
  transformLast(m);
  ads_name pl, v;
  ads_entlast(pl);
  ads_entnext(pl, v);
  expectPoint(groupOf(groupsOf(v), 10), 10, 15, "first vertex");
  EXPECT_NEAR(groupOf(groupsOf(v), 42).real, 0.5, 1e-12) << "bulge kept by a rotation";
  ads_entnext(v, v);
  expectPoint(groupOf(groupsOf(v), 10), 7, 5, "second vertex");

  ads_command(RTSTR, "_.BLOCK", RTSTR, "B", RTPOINT, c, RTSTR, "", RTNONE);
  make(ads_buildlist(RTDXF0, "INSERT", 2, "B", 10, p, 50, 0.0, 0));
  transformLast(m);
  expectPoint(groupOf(lastGroups(), 10), 10, 15, "insertion point");
  EXPECT_NEAR(groupOf(lastGroups(), 50).real, kHalfPi, 1e-12);
}

TEST_F(XformTest, HatchEdgesSeedsAndPatternFollow) {
  const ads_point o = {0, 0, 0}, z = {0, 0, 1}, a = {1, 0, 0}, b = {3, 0, 0}, c = {5, 0, 0},
                  axis = {2, 0, 0};
  make(ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0));
  ads_name line;
  ads_entlast(line);
  make(ads_buildlist(RTDXF0, "HATCH", 8, "0", 10, o, 210, z, 2, "_U", 70, 0, 71, 1, 91, 1, 92, 1,
                     93, 3, 72, 1, 10, a, 11, b, 72, 2, 10, c, 40, 1.0, 50, 0.0, 51, kHalfPi, 73, 1,
                     72, 3, 10, c, 11, axis, 40, 0.5, 50, 0.0, 51, 1.0, 73, 1, 97, 1, 330, line, 75,
                     0, 76, 1, 52, 0.0, 41, 5.0, 77, 0, 78, 1, 53, 0.0, 43, 1.0, 44, 0.0, 45, 0.0,
                     46, 5.0, 79, 0, 98, 1, 10, c, 0));
  ads_matrix m;
  translation(m, 3, 4);
  ASSERT_EQ(transformLast(m), RTNORM);
  GroupList g = lastGroups();
  expectPoint(groupOf(g, 10, 0), 0, 0, "elevation point stays");
  expectPoint(groupOf(g, 10, 1), 4, 4, "line edge start");
  expectPoint(groupOf(g, 11, 0), 6, 4, "line edge end");
  expectPoint(groupOf(g, 10, 2), 8, 4, "arc edge centre");
  expectPoint(groupOf(g, 11, 1), 2, 0, "ellipse axis is a vector");
  EXPECT_NEAR(groupOf(g, 43).real, 4, 1e-12);
  EXPECT_NEAR(groupOf(g, 44).real, 4, 1e-12);
  EXPECT_NEAR(groupOf(g, 46).real, 5, 1e-12) << "pattern offset is a vector";
  expectPoint(groupOf(g, 10, 4), 8, 4, "seed point");

  scaling(m, 2);
  ASSERT_EQ(transformLast(m), RTNORM);
  g = lastGroups();
  EXPECT_NEAR(groupOf(g, 40, 0).real, 2.0, 1e-12) << "arc edge radius";
  EXPECT_NEAR(groupOf(g, 40, 1).real, 0.5, 1e-12) << "ellipse ratio stays";
  EXPECT_NEAR(groupOf(g, 41).real, 10.0, 1e-12) << "pattern spacing";
  expectPoint(groupOf(g, 11, 1), 4, 0, "ellipse axis");

  rotation90About(m, 0, 0);
  ASSERT_EQ(transformLast(m), RTNORM);
  g = lastGroups();
  EXPECT_NEAR(groupOf(g, 50, 0).real, kHalfPi, 1e-12) << "arc edge start angle";
  EXPECT_NEAR(groupOf(g, 52).real, kHalfPi, 1e-12) << "pattern angle";
  EXPECT_NEAR(groupOf(g, 53).real, kHalfPi, 1e-12) << "pattern line angle";
}

TEST_F(XformTest, UniformScaleScalesLengthsAndKeepsAngles) {
  const ads_point p = {1, 2, 0}, axis = {4, 0, 0};
  ads_matrix m;
  scaling(m, 2);
  make(ads_buildlist(RTDXF0, "CIRCLE", 10, p, 40, 3.0, 0));
  transformLast(m);
  expectPoint(groupOf(lastGroups(), 10), 2, 4, "circle centre");
  EXPECT_NEAR(groupOf(lastGroups(), 40).real, 6.0, 1e-12);

  make(ads_buildlist(RTDXF0, "ARC", 10, p, 40, 1.0, 50, 0.5, 51, 1.0, 0));
  transformLast(m);
  EXPECT_NEAR(groupOf(lastGroups(), 40).real, 2.0, 1e-12);
  EXPECT_NEAR(groupOf(lastGroups(), 50).real, 0.5, 1e-12);

  make(ads_buildlist(RTDXF0, "ELLIPSE", 10, p, 11, axis, 40, 0.5, 0));
  transformLast(m);
  expectPoint(groupOf(lastGroups(), 11), 8, 0, "axis doubles");
  EXPECT_NEAR(groupOf(lastGroups(), 40).real, 0.5, 1e-12) << "ratio stays";

  make(ads_buildlist(RTDXF0, "MTEXT", 10, p, 40, 2.5, 1, "A", 0));
  transformLast(m);
  EXPECT_NEAR(groupOf(lastGroups(), 40).real, 5.0, 1e-12) << "text height";

  ads_command(RTSTR, "_.BLOCK", RTSTR, "B", RTPOINT, p, RTSTR, "", RTNONE);
  make(ads_buildlist(RTDXF0, "INSERT", 2, "B", 10, p, 41, 1.0, 42, 1.0, 43, 1.0, 0));
  transformLast(m);
  EXPECT_NEAR(groupOf(lastGroups(), 41).real, 2.0, 1e-12);
  EXPECT_NEAR(groupOf(lastGroups(), 43).real, 2.0, 1e-12);

  ads_command(RTSTR, "_acisin", RTSTR, "/nonexistent.sat", RTNONE);
  host.drawing.addEntity("3DSOLID", {});
  transformLast(m);
  EXPECT_DOUBLE_EQ(host.drawing.entity(host.drawing.lastMain())->placement[0][0], 2.0);
}

TEST_F(XformTest, NonUniformScaleIsRefused) {
  const ads_point p = {1, 2, 0};
  make(ads_buildlist(RTDXF0, "CIRCLE", 10, p, 40, 3.0, 0));
  ads_matrix m;
  scaling(m, 2);
  m[1][1] = 3;
  EXPECT_EQ(transformLast(m), RTERROR);
  EXPECT_NEAR(groupOf(lastGroups(), 40).real, 3.0, 1e-12);
}

TEST_F(XformTest, EntselPicksTheNewestEntityWithinThePickbox) {
  const ads_point a = {0, 0, 0}, b = {10, 0, 0}, c = {5, 0, 0};
  make(ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0));
  ads_name first;
  ads_entlast(first);
  make(ads_buildlist(RTDXF0, "CIRCLE", 10, c, 40, 2.0, 0));
  ads_name circle;
  ads_entlast(circle);

  answer({"5,0.5", "1,0.9", "5,2.5", "1,5", "nonsense", "1,0", "^C"});
  ads_name hit;
  ads_point pick;
  ASSERT_EQ(ads_entsel("\nPick:", hit, pick), RTNORM);
  EXPECT_EQ(hit[0], first[0]) << "(5,0.5) is on the line, not within 1 of the circle";
  ASSERT_EQ(ads_entsel("\nPick:", hit, pick), RTNORM);
  EXPECT_EQ(hit[0], first[0]);
  EXPECT_DOUBLE_EQ(pick[1], 0.9);
  ASSERT_EQ(ads_entsel("\nPick:", hit, pick), RTNORM);
  EXPECT_EQ(hit[0], circle[0]) << "on the circle near its top";
  EXPECT_EQ(ads_entsel("\nPick:", hit, pick), RTERROR) << "nothing there";
  ASSERT_EQ(ads_entsel("\nPick:", hit, pick), RTNORM) << "bad input is asked again";
  EXPECT_NE(out.str().find("Invalid point."), std::string::npos);
  EXPECT_EQ(ads_entsel("\nPick:", hit, pick), RTCAN);
  EXPECT_EQ(ads_entsel("\nPick:", hit, pick), RTCAN) << "input ran out";
}

TEST_F(XformTest, PicksInsideBlocksPolylinesAndTexts) {
  const ads_point a = {0, 0, 0}, b = {2, 0, 0}, ins = {100, 100, 0}, t = {50, 50, 0};
  make(ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0));
  ads_command(RTSTR, "_.BLOCK", RTSTR, "B", RTPOINT, a, RTSTR, "", RTNONE);
  ads_name set, e;
  make(ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0));
  ads_entlast(e);
  ads_ssadd(e, nullptr, set);
  ads_command(RTSTR, "_.BLOCK", RTSTR, "C", RTPOINT, a, RTPICKS, set, RTSTR, "", RTNONE);
  ads_ssfree(set);
  make(ads_buildlist(RTDXF0, "INSERT", 2, "C", 10, ins, 50, kHalfPi, 41, 10.0, 42, 10.0, 0));
  make(ads_buildlist(RTDXF0, "MTEXT", 10, t, 40, 5.0, 71, 1, 1, "Hello", 0));
  answer({"1,0.5", "100.5,110", "51,48"});
  ads_name hit;
  ads_point pick;
  EXPECT_EQ(ads_entsel("", hit, pick), RTNORM) << "the first line is still in model space";
  EXPECT_EQ(groupOf(groupsOf(hit), 0).text, "LINE");
  EXPECT_EQ(ads_entsel("", hit, pick), RTNORM) << "the turned, scaled block line";
  EXPECT_EQ(groupOf(groupsOf(hit), 0).text, "INSERT");
  EXPECT_EQ(ads_entsel("", hit, pick), RTNORM) << "inside the text box below its top-left anchor";
  EXPECT_EQ(groupOf(groupsOf(hit), 0).text, "MTEXT");
}

TEST_F(HostTest, PromptsAnswerNumbersEnterAndEscape) {
  answer({"x", "99999", "12", "", "^C"});
  int v = 0;
  EXPECT_EQ(ads_getint("Anzahl:", &v), RTNORM);
  EXPECT_EQ(v, 12);
  EXPECT_EQ(ads_getint("Anzahl:", &v), RTNONE);
  EXPECT_EQ(ads_getint("Anzahl:", &v), RTCAN);
  EXPECT_NE(out.str().find("Requires an integer value."), std::string::npos);

  answer({"90", "10,10"});
  const ads_point base = {10, 0, 0};
  double angle = 0;
  EXPECT_EQ(ads_getorient(base, "Drehwinkel:", &angle), RTNORM);
  EXPECT_NEAR(angle, kHalfPi, 1e-12) << "degrees in, radians out";
  EXPECT_EQ(ads_getorient(base, "Drehwinkel:", &angle), RTNORM);
  EXPECT_NEAR(angle, kHalfPi, 1e-12) << "a second point gives the direction";
}

namespace {
int g_calls = 0;
ads_point g_seen;
int dragCallback(ads_point p, ads_matrix m) {
  ++g_calls;
  for (int i = 0; i < 3; ++i) g_seen[i] = p[i];
  m[0][3] = p[0];
  return RTNORM;
}
}  // namespace

TEST_F(HostTest, DraggenCallsBackButDoesNotMoveTheSet) {
  const ads_point c = {0, 0, 0};
  make(ads_buildlist(RTDXF0, "CIRCLE", 10, c, 40, 1.0, 0));
  ads_name e, set;
  ads_entlast(e);
  ads_ssadd(e, nullptr, set);
  answer({"3,4,5", ""});
  ads_point result;
  EXPECT_EQ(ads_draggen(set, "Einf\xFCgepunkt w\xE4hlen:", 0, dragCallback, result), RTNORM);
  EXPECT_EQ(g_calls, 1);
  EXPECT_DOUBLE_EQ(g_seen[2], 5);
  EXPECT_DOUBLE_EQ(result[1], 4);
  expectPoint(groupOf(lastGroups(), 10), 0, 0, "the set stays where it was");
  EXPECT_NE(out.str().find("Einf\xC3\xBCgepunkt w\xC3\xA4hlen: 3,4,5"), std::string::npos)
      << "prompt shown in UTF-8 with the answer echoed";
  EXPECT_EQ(ads_draggen(set, "", 0, dragCallback, result), RTNONE);
  ads_ssfree(set);
}

TEST_F(HostTest, IntersectionOfLines) {
  const ads_point a = {0, 0, 0}, b = {10, 0, 0}, c = {5, -5, 0}, d = {5, -1, 0}, e = {0, 1, 0},
                  f = {10, 1, 0};
  ads_point r;
  EXPECT_EQ(ads_inters(a, b, c, d, 0, r), RTNORM);
  EXPECT_DOUBLE_EQ(r[0], 5);
  EXPECT_DOUBLE_EQ(r[1], 0);
  EXPECT_EQ(ads_inters(a, b, c, d, 1, r), RTNONE) << "segments do not meet";
  EXPECT_EQ(ads_inters(a, b, e, f, 0, r), RTNONE) << "parallel";
}

TEST_F(XformTest, MirrorKeepsArcsCounterClockwise) {
  const ads_point c = {5, 0, 0}, o = {0, 0, 0}, axis = {2, 0, 0};
  ads_matrix m;
  scaling(m, 1);
  m[0][0] = -1;  // mirror about the y axis
  make(ads_buildlist(RTDXF0, "ARC", 10, c, 40, 1.0, 50, 0.0, 51, kHalfPi, 0));
  ASSERT_EQ(transformLast(m), RTNORM);
  expectPoint(groupOf(lastGroups(), 10), -5, 0, "arc centre");
  EXPECT_NEAR(groupOf(lastGroups(), 50).real, kHalfPi, 1e-12) << "start and end swap";
  EXPECT_NEAR(groupOf(lastGroups(), 51).real, 2 * kHalfPi, 1e-12);

  make(ads_buildlist(RTDXF0, "ELLIPSE", 10, o, 11, axis, 40, 0.5, 41, 0.0, 42, kHalfPi, 0));
  ASSERT_EQ(transformLast(m), RTNORM);
  EXPECT_NEAR(groupOf(lastGroups(), 41).real, 3 * kHalfPi, 1e-12);
  EXPECT_NEAR(groupOf(lastGroups(), 42).real, 0.0, 1e-12);

  make(ads_buildlist(RTDXF0, "POLYLINE", 66, 1, 10, o, 0));
  make(ads_buildlist(RTDXF0, "VERTEX", 10, c, 42, 0.4142, 0));
  make(ads_buildlist(RTDXF0, "SEQEND", 0));
  ASSERT_EQ(transformLast(m), RTNORM);
  ads_name pl, v;
  ads_entlast(pl);
  ads_entnext(pl, v);
  EXPECT_NEAR(groupOf(groupsOf(v), 42).real, -0.4142, 1e-12) << "the bulge turns the other way";
}
