// Small inspections of the host drawing: symbol-table entries and entities.
#pragma once

#include "plugin/ads.h"

// True when the host table ("LAYER", "LTYPE", "BLOCK") has an entry of that
// name, compared ignoring case (one ads_tblsearch).
bool tableHasEntry(const char* table, const char* name);
bool layerExists(const char* name);
bool linetypeExists(const char* name);
bool blockExists(const char* name);

// Class of an entity: 10 POINT, 20 LINE, 35 ARC, 30 CIRCLE, 40 ELLIPSE,
// 50 TEXT, 70 POLYLINE, 75 VERTEX, 240 INSERT of an "*X" block, 90 any other
// INSERT; -1 for anything else or an entity that cannot be read.
int entityKind(const ads_name entity);

// x and y of the entity's groups 10 and 11 (the last of each counts); a missing
// group leaves its point as it was. Returns 0.
int lineEndpoints(const ads_name entity, ads_point start, ads_point end);
