#include "transfer/host_tables.h"

#include <string>

namespace {

// The string of a string group; empty when it has none.
const char* groupText(const resbuf* group) {
  return group->resval.rstring ? group->resval.rstring : "";
}

}  // namespace

bool tableHasEntry(const char* table, const char* name) {
  if (!table || !name) return false;
  // One look-up by name: walking the whole table with ads_tblnext made each new
  // block of an import cost as much as all the blocks before it. The host's
  // ads_tblnext cursor is left where it was.
  resbuf* record = ads_tblsearch(table, name, 0);
  if (!record) return false;
  ads_relrb(record);
  return true;
}

bool layerExists(const char* name) {
  return tableHasEntry("LAYER", name);
}

bool linetypeExists(const char* name) {
  return tableHasEntry("LTYPE", name);
}

bool blockExists(const char* name) {
  return tableHasEntry("BLOCK", name);
}

int entityKind(const ads_name entity) {
  resbuf* list = ads_entget(entity);
  if (!list) return -1;
  std::string type, block;
  for (const resbuf* group = list; group; group = group->rbnext) {
    if (group->restype == 0 || group->restype == RTDXF0) type = groupText(group);
    if (group->restype == 2) block = groupText(group);
  }
  ads_relrb(list);
  struct Kind {
    const char* type;
    int kind;
  };
  static const Kind kKinds[] = {{"POINT", 10},   {"LINE", 20}, {"ARC", 35},      {"CIRCLE", 30},
                                {"ELLIPSE", 40}, {"TEXT", 50}, {"POLYLINE", 70}, {"VERTEX", 75}};
  for (const Kind& k : kKinds)
    if (type == k.type) return k.kind;
  if (type == "INSERT") return block.compare(0, 2, "*X") == 0 ? 240 : 90;
  return -1;
}

int lineEndpoints(const ads_name entity, ads_point start, ads_point end) {
  resbuf* list = ads_entget(entity);
  for (const resbuf* group = list; group; group = group->rbnext) {
    if (group->restype == 10) {
      start[0] = group->resval.rpoint[0];
      start[1] = group->resval.rpoint[1];
    } else if (group->restype == 11) {
      end[0] = group->resval.rpoint[0];
      end[1] = group->resval.rpoint[1];
    }
  }
  if (list) ads_relrb(list);
  return 0;
}
