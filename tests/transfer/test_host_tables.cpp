// Host table lookups and entity inspection against the host's own drawing.
#include <gtest/gtest.h>

#include <sstream>

#include "host.h"
#include "transfer/host_tables.h"

namespace {

using drafthost::Group;

class HostTablesTest : public ::testing::Test {
 protected:
  HostTablesTest() : host(out) {}

  // Adds a main entity and returns its host name.
  void add(const std::string& type, drafthost::GroupList groups, ads_name name) {
    groups.insert(groups.begin(), Group::str(0, type));
    host.drawing.addEntity(type, groups);
    ASSERT_EQ(ads_entlast(name), RTNORM);
  }

  std::ostringstream out;
  drafthost::Host host;
};

TEST_F(HostTablesTest, TableEntriesIgnoringCase) {
  host.drawing.addLayer("Kontur");
  EXPECT_TRUE(layerExists("0"));
  EXPECT_TRUE(layerExists("KONTUR"));
  EXPECT_TRUE(layerExists("kontur"));
  EXPECT_FALSE(layerExists("Kont"));
  EXPECT_TRUE(linetypeExists("continuous"));
  EXPECT_FALSE(linetypeExists("Mitte"));
  EXPECT_FALSE(blockExists("moxisol"));
  ASSERT_TRUE(host.drawing.defineBlock("MOXISOL", {0, 0, 0}, {}));
  EXPECT_TRUE(blockExists("moxisol"));
  EXPECT_FALSE(tableHasEntry("NOSUCHTABLE", "0"));
  EXPECT_FALSE(tableHasEntry(nullptr, "0"));
  EXPECT_FALSE(layerExists(nullptr));
}

TEST_F(HostTablesTest, OneLookUpPerNameLeavingTheTableCursorAlone) {
  for (int i = 0; i < 20; ++i) host.drawing.addLayer("L" + std::to_string(i));
  resbuf* first = ads_tblnext("LAYER", 1);  // the cursor now stands after "0"
  ads_relrb(first);
  std::ostringstream trace;
  host.trace = &trace;
  EXPECT_TRUE(layerExists("l19"));
  EXPECT_FALSE(layerExists("L20"));
  host.trace = nullptr;
  std::string calls = trace.str();
  auto count = [&](const std::string& fn) {
    std::size_t n = 0;
    for (std::size_t at = calls.find(fn); at != std::string::npos; at = calls.find(fn, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("\"ads_tblsearch\""), 2u);
  EXPECT_EQ(count("\"ads_tblnext\""), 0u);
  EXPECT_EQ(count("\"ads_relrb\""), 1u);  // the record found; none for the miss
  resbuf* next = ads_tblnext("LAYER", 0);
  ASSERT_NE(next, nullptr);
  EXPECT_STREQ(next->rbnext->resval.rstring, "L0");
  ads_relrb(next);
}

TEST_F(HostTablesTest, EntityKinds) {
  // Only the insertion's group 2 is looked at, not the block table.
  struct Case {
    const char* type;
    const char* block;
    int kind;
  } cases[] = {
      {"POINT", nullptr, 10},    {"LINE", nullptr, 20},    {"ARC", nullptr, 35},
      {"CIRCLE", nullptr, 30},   {"ELLIPSE", nullptr, 40}, {"TEXT", nullptr, 50},
      {"POLYLINE", nullptr, 70}, {"VERTEX", nullptr, 75},  {"INSERT", "*X12", 240},
      {"INSERT", "MOXISOL", 90}, {"MTEXT", nullptr, -1},   {"line", nullptr, -1},
  };
  for (const Case& c : cases) {
    ads_name name;
    drafthost::GroupList groups;
    if (c.block) groups.push_back(Group::str(2, c.block));
    add(c.type, groups, name);
    EXPECT_EQ(entityKind(name), c.kind) << c.type;
  }
  ads_name unknown = {999999, 0};
  EXPECT_EQ(entityKind(unknown), -1);
}

TEST_F(HostTablesTest, LineEndpointsTakeTheLastGroupAndKeepMissingOnes) {
  ads_name line;
  add("LINE", {Group::pt(10, {1, 2, 3}), Group::pt(11, {4, 5, 6}), Group::pt(10, {7, 8, 9})}, line);
  ads_point start = {0, 0, -1}, end = {0, 0, -1};
  EXPECT_EQ(lineEndpoints(line, start, end), 0);
  EXPECT_EQ(start[0], 7);
  EXPECT_EQ(start[1], 8);
  EXPECT_EQ(start[2], -1) << "z is left alone";
  EXPECT_EQ(end[0], 4);
  EXPECT_EQ(end[1], 5);

  ads_name circle;
  add("CIRCLE", {Group::pt(10, {1, 1, 0}), Group::number(40, 2)}, circle);
  ads_point s2 = {0, 0, 0}, e2 = {-5, -6, 0};
  lineEndpoints(circle, s2, e2);
  EXPECT_EQ(e2[0], -5);
  EXPECT_EQ(e2[1], -6);

  ads_name unknown = {999999, 0};
  EXPECT_EQ(lineEndpoints(unknown, s2, e2), 0);
}

}  // namespace
