// The host functions the plug-in calls (C linkage, Windows-1252 texts). Each
// call is written to the trace with its arguments and result.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codepage.h"
#include "host.h"
#include "numeric/math.h"
#include "plugin/ads.h"
#include "script.h"

using drafthost::Answer;
using drafthost::EntityId;
using drafthost::Group;
using drafthost::GroupList;
using drafthost::Host;
using drafthost::kEntityTag;
using drafthost::kSetTag;
using drafthost::ValueKind;
using json = nlohmann::ordered_json;

namespace {

// A trace record of a call; null when no trace is written, and then the
// members are never computed (see TRACE_SET).
json call(const char* fn) {
  Host* h = Host::current();
  if (!h || !h->trace) return json();
  return json{{"fn", fn}};
}

// Sets a member of a trace record, evaluating the value only for a real record.
#define TRACE_SET(entry, key, value)                \
  do {                                              \
    if (!(entry).is_null()) (entry)[key] = (value); \
  } while (0)

int finish(Host* h, json& entry, int rc) {
  if (!h->trace) return rc;
  TRACE_SET(entry, "rc", rc);
  h->writeTrace(entry);
  return rc;
}

std::string text(const char* s) {
  return s ? std::string(s) : std::string();
}

json pointJson(const ads_point p) {
  return json::array({p[0], p[1], p[2]});
}

json entityJson(Host* h, EntityId id) {
  return id ? json(h->drawing.entity(id)->handle()) : json(nullptr);
}

void setName(ads_name out, int32_t value, int32_t tag) {
  if (!out) return;
  out[0] = value;
  out[1] = tag;
}

// Reads (type, value) pairs up to the terminator. Values: strings as char*,
// reals as double, points as ads_real*, 16-bit values as int, 32-bit values
// as int32_t, names as int32_t*. false on a type the host does not know.
bool readArgs(int rtype, va_list ap, GroupList* out) {
  while (rtype != 0 && rtype != RTNONE) {
    Group g;
    g.code = rtype;
    g.kind = drafthost::kindOf(rtype);
    switch (g.kind) {
      case ValueKind::String: {
        const char* s = va_arg(ap, const char*);
        g.text = text(s);
        break;
      }
      case ValueKind::Real:
        g.real = va_arg(ap, double);
        break;
      case ValueKind::Point: {
        const ads_real* p = va_arg(ap, const ads_real*);
        if (p) g.point = {p[0], p[1], p[2]};
        break;
      }
      case ValueKind::Short:
        g.integer = static_cast<short>(va_arg(ap, int));
        break;
      case ValueKind::Long:
        g.integer = va_arg(ap, int32_t);
        break;
      case ValueKind::Name: {
        const int32_t* n = va_arg(ap, const int32_t*);
        if (n) g.name = {n[0], n[1]};
        break;
      }
      case ValueKind::None:
        return false;
    }
    out->push_back(std::move(g));
    rtype = va_arg(ap, int);
  }
  return true;
}

// Like readArgs, but straight into a freshly allocated result-buffer chain:
// the list the plug-in builds goes to the host as it is, with no group list
// in between. *known is false on a type the host does not know; the chain
// then holds the pairs before it.
resbuf* chainArgs(int rtype, va_list ap, bool* known) {
  *known = true;
  resbuf* head = nullptr;
  resbuf** tail = &head;
  while (rtype != 0 && rtype != RTNONE) {
    ValueKind kind = drafthost::kindOf(rtype);
    if (kind == ValueKind::None) {
      *known = false;
      break;
    }
    resbuf* rb = drafthost::newBuffer();
    if (!rb) break;
    rb->restype = static_cast<short>(rtype);
    switch (kind) {
      case ValueKind::String: {
        const char* s = va_arg(ap, const char*);
        if (!s) s = "";
        rb->resval.rstring = drafthost::newString(s, std::strlen(s) + 1);
        break;
      }
      case ValueKind::Real:
        rb->resval.rreal = va_arg(ap, double);
        break;
      case ValueKind::Point: {
        const ads_real* p = va_arg(ap, const ads_real*);
        if (p)
          for (int i = 0; i < 3; ++i) rb->resval.rpoint[i] = p[i];
        break;
      }
      case ValueKind::Short:
        rb->resval.rint = static_cast<short>(va_arg(ap, int));
        break;
      case ValueKind::Long:
        rb->resval.rlong = va_arg(ap, int32_t);
        break;
      case ValueKind::Name: {
        const int32_t* n = va_arg(ap, const int32_t*);
        if (n) {
          rb->resval.rlname[0] = n[0];
          rb->resval.rlname[1] = n[1];
        }
        break;
      }
      case ValueKind::None:
        break;
    }
    *tail = rb;
    tail = &rb->rbnext;
    rtype = va_arg(ap, int);
  }
  return head;
}

// An answer read as a point, for the prompts that want one.
bool answerPoint(const Answer& a, ads_point out) {
  drafthost::Point p{};
  if (!drafthost::parsePoint(a.text, &p)) return false;
  for (int i = 0; i < 3; ++i) out[i] = p[static_cast<std::size_t>(i)];
  return true;
}

int answerCode(const Answer& a) {
  return a.kind == Answer::Enter ? RTNONE : RTCAN;
}

// Record `index` of a symbol table (table name in lower case) as the host
// lists it; empty past the end or for an unknown table.
GroupList tableRecord(Host* h, const std::string& t, std::size_t index) {
  const drafthost::Drawing& d = h->drawing;
  if (t == "layer" && index < d.layers().records().size()) {
    const auto& r = d.layers().records()[index];
    return {Group::str(0, "LAYER"), Group::str(2, r.name), Group::integral(70, 0),
            Group::integral(62, static_cast<int32_t>(r.color)), Group::str(6, r.linetype)};
  }
  if (t == "ltype" && index < d.linetypes().records().size()) {
    const auto& r = d.linetypes().records()[index];
    double total = 0;
    for (double x : r.pattern) total += std::fabs(x);
    GroupList rec = {
        Group::str(0, "LTYPE"),  Group::str(2, r.name),
        Group::integral(70, 0),  Group::str(3, r.description),
        Group::integral(72, 65), Group::integral(73, static_cast<int32_t>(r.pattern.size())),
        Group::number(40, total)};
    for (double x : r.pattern) rec.push_back(Group::number(49, x));
    return rec;
  }
  if (t == "block" && index < d.blocks().records().size()) {
    const auto& r = d.blocks().records()[index];
    GroupList rec = {Group::str(0, "BLOCK"), Group::str(2, r.name), Group::integral(70, 0),
                     Group::pt(10, r.base)};
    if (EntityId first = d.firstMain(static_cast<uint32_t>(index + 1)))
      rec.push_back(Group::ename(-2, {static_cast<int32_t>(first), kEntityTag}));
    return rec;
  }
  return {};
}

// Index of the named record (names compared ignoring case); -1 when absent.
int tableIndex(Host* h, const std::string& t, const std::string& name) {
  const drafthost::Drawing& d = h->drawing;
  if (t == "layer") return d.layers().indexOf(name);
  if (t == "ltype") return d.linetypes().indexOf(name);
  if (t == "block") return d.blocks().indexOf(name);
  return -1;
}

}  // namespace

extern "C" {

int acrxUnlockApplication(void* packet) {
  Host* h = Host::current();
  if (!h) return 0;
  json e = call("acrxUnlockApplication");
  int rc = packet == h->appPacket() ? 1 : 0;
  if (rc) h->unlock();
  return finish(h, e, rc);
}

int ads_defun(const char* name, short code) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_defun");
  TRACE_SET(e, "name", drafthost::cp1252ToUtf8(text(name)));
  TRACE_SET(e, "code", code);
  return finish(h, e, h->defineFunction(text(name), code));
}

int ads_getfuncode(void) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_getfuncode");
  int code = h->functionCode();
  return finish(h, e, code < 0 ? RTERROR : code);
}

struct resbuf* ads_getargs(void) {
  Host* h = Host::current();
  if (!h) return nullptr;
  json e = call("ads_getargs");
  TRACE_SET(e, "args", h->listJson(h->functionArgs()));
  h->writeTrace(e);
  return drafthost::toChain(h->functionArgs());
}

int ads_command(int rtype, ...) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  GroupList args;
  va_list ap;
  va_start(ap, rtype);
  bool known = readArgs(rtype, ap, &args);
  va_end(ap);
  json e = call("ads_command");
  TRACE_SET(e, "args", h->listJson(args));
  int rc = known ? h->runCommand(args) : RTERROR;
  return finish(h, e, rc);
}

int ads_getvar(const char* name, struct resbuf* result) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_getvar");
  TRACE_SET(e, "name", drafthost::cp1252ToUtf8(text(name)));
  std::string var = drafthost::foldCase(text(name));
  int rc = RTNORM;
  if (!result) {
    rc = RTERROR;
  } else if (var == "measurement") {
    result->restype = static_cast<short>(h->measurementType);
    if (h->measurementType == RTSHORT)
      result->resval.rint = static_cast<short>(h->measurement);
    else
      result->resval.rlong = h->measurement;
    TRACE_SET(e, "result", json::array({h->measurementType, h->measurement}));
  } else if (var == "cmdecho") {
    result->restype = RTSHORT;
    result->resval.rint = static_cast<short>(h->cmdecho);
    TRACE_SET(e, "result", json::array({RTSHORT, h->cmdecho}));
  } else {
    rc = RTERROR;
  }
  return finish(h, e, rc);
}

int ads_printf(const char* format, ...) {
  Host* h = Host::current();
  if (!h || !format) return 0;
  va_list ap, copy;
  va_start(ap, format);
  va_copy(copy, ap);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), format, ap);
    out.resize(static_cast<std::size_t>(n));
  }
  va_end(ap);
  h->print(out);
  json e = call("ads_printf");
  TRACE_SET(e, "text", drafthost::cp1252ToUtf8(out));
  TRACE_SET(e, "rc", n < 0 ? 0 : n);
  h->writeTrace(e);
  return n < 0 ? 0 : n;
}

int ads_alert(const char* message) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  std::string t = text(message);
  // A modal box on a terminal: each of its lines marked with "** ".
  std::string shown = "** ";
  for (char c : t) shown += c == '\n' ? std::string("\n** ") : std::string(1, c);
  h->print(shown + "\n");
  json e = call("ads_alert");
  TRACE_SET(e, "text", drafthost::cp1252ToUtf8(t));
  return finish(h, e, RTNORM);
}

struct resbuf* ads_buildlist(int rtype, ...) {
  Host* h = Host::current();
  bool known = true;
  va_list ap;
  va_start(ap, rtype);
  resbuf* chain = chainArgs(rtype, ap, &known);
  va_end(ap);
  if (h && h->trace) {
    json e = call("ads_buildlist");
    TRACE_SET(e, "list", h->listJson(drafthost::fromChain(chain)));
    if (!known) TRACE_SET(e, "rc", RTERROR);
    h->writeTrace(e);
  }
  if (!known) {
    drafthost::freeChain(chain);
    return nullptr;
  }
  return chain;
}

int ads_relrb(struct resbuf* rb) {
  drafthost::freeChain(rb);
  Host* h = Host::current();
  if (!h || !h->trace) return RTNORM;
  json e = call("ads_relrb");
  return finish(h, e, RTNORM);
}

int ads_entmake(const struct resbuf* list) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  // With no trace to write, a sound list of the usual kind goes into the
  // drawing straight from the chain.
  if (!h->trace && h->drawing.entmakeQuick(list)) return RTNORM;
  bool complete = true;
  GroupList groups = drafthost::fromChain(list, &complete);
  json e = call("ads_entmake");
  TRACE_SET(e, "list", h->listJson(groups));
  std::string error;
  int rc = RTERROR;
  if (!complete)
    error = "the list holds a group the host does not know";
  else if (h->drawing.entmake(std::move(groups), &error))
    rc = RTNORM;
  if (rc != RTNORM) TRACE_SET(e, "error", drafthost::cp1252ToUtf8(error));
  return finish(h, e, rc);
}

int ads_entlast(ads_name result) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_entlast");
  EntityId id = h->drawing.lastMain();
  TRACE_SET(e, "result", entityJson(h, id));
  if (id) setName(result, static_cast<int32_t>(id), kEntityTag);
  return finish(h, e, id ? RTNORM : RTERROR);
}

int ads_entnext(const ads_name ent, ads_name result) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_entnext");
  EntityId after = 0;
  if (ent) {
    after = h->entityOf(ent);
    TRACE_SET(e, "ent", entityJson(h, after));
    if (!after) return finish(h, e, RTERROR);
  }
  EntityId id = h->drawing.next(after);
  TRACE_SET(e, "result", entityJson(h, id));
  if (id) setName(result, static_cast<int32_t>(id), kEntityTag);
  return finish(h, e, id ? RTNORM : RTERROR);
}

struct resbuf* ads_entget(const ads_name ent) {
  Host* h = Host::current();
  if (!h) return nullptr;
  json e = call("ads_entget");
  EntityId id = h->entityOf(ent);
  TRACE_SET(e, "ent", entityJson(h, id));
  if (!id) {
    TRACE_SET(e, "result", nullptr);
    h->writeTrace(e);
    return nullptr;
  }
  const drafthost::Entity* x = h->drawing.entity(id);
  const GroupList groups = h->drawing.groups(*x);
  GroupList list{Group::ename(-1, {static_cast<int32_t>(id), kEntityTag}),
                 Group::str(0, std::string(x->type)), Group::str(5, x->handle())};
  list.insert(list.end(), groups.begin() + 1, groups.end());
  TRACE_SET(e, "result", h->listJson(list));
  h->writeTrace(e);
  return drafthost::toChain(list);
}


struct resbuf* ads_tblnext(const char* table, int rewind) {
  Host* h = Host::current();
  if (!h) return nullptr;
  std::string t = drafthost::foldCase(text(table));
  json e = call("ads_tblnext");
  TRACE_SET(e, "table", drafthost::cp1252ToUtf8(text(table)));
  TRACE_SET(e, "rewind", rewind);
  std::size_t& pos = h->tableCursors[t];
  if (rewind) pos = 0;
  GroupList rec = tableRecord(h, t, pos);
  if (!rec.empty()) ++pos;
  TRACE_SET(e, "result", rec.empty() ? json(nullptr) : h->listJson(rec));
  h->writeTrace(e);
  return drafthost::toChain(rec);
}

struct resbuf* ads_tblsearch(const char* table, const char* name, int setnext) {
  Host* h = Host::current();
  if (!h) return nullptr;
  std::string t = drafthost::foldCase(text(table));
  json e = call("ads_tblsearch");
  TRACE_SET(e, "table", drafthost::cp1252ToUtf8(text(table)));
  TRACE_SET(e, "name", drafthost::cp1252ToUtf8(text(name)));
  TRACE_SET(e, "setnext", setnext);
  const int index = tableIndex(h, t, text(name));
  GroupList rec;
  if (index >= 0) {
    rec = tableRecord(h, t, static_cast<std::size_t>(index));
    // As in the host we stand in for: a found record can become the cursor,
    // so that the next ads_tblnext goes on after it.
    if (setnext) h->tableCursors[t] = static_cast<std::size_t>(index) + 1;
  }
  TRACE_SET(e, "result", rec.empty() ? json(nullptr) : h->listJson(rec));
  h->writeTrace(e);
  return drafthost::toChain(rec);
}

int ads_entsel(const char* prompt, ads_name entity, ads_point pick) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_entsel");
  TRACE_SET(e, "prompt", drafthost::cp1252ToUtf8(text(prompt ? prompt : "\nSelect object: ")));
  while (true) {
    Answer a = h->ask(prompt ? text(prompt) : "\nSelect object: ");
    if (a.kind != Answer::Text) {
      TRACE_SET(e, "result", nullptr);
      return finish(h, e, answerCode(a));
    }
    ads_point p;
    if (!answerPoint(a, p)) {
      h->complain("Invalid point.");
      continue;
    }
    EntityId id = h->drawing.pick({p[0], p[1], p[2]}, h->pickbox);
    TRACE_SET(e, "point", pointJson(p));
    TRACE_SET(e, "result", entityJson(h, id));
    if (!id) return finish(h, e, RTERROR);
    setName(entity, static_cast<int32_t>(id), kEntityTag);
    if (pick)
      for (int i = 0; i < 3; ++i) pick[i] = p[i];
    return finish(h, e, RTNORM);
  }
}

int ads_getint(const char* prompt, int* result) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_getint");
  TRACE_SET(e, "prompt", drafthost::cp1252ToUtf8(text(prompt)));
  while (true) {
    Answer a = h->ask(text(prompt));
    if (a.kind != Answer::Text) {
      TRACE_SET(e, "result", nullptr);
      return finish(h, e, answerCode(a));
    }
    long long v = 0;
    if (!drafthost::parseInteger(a.text, &v)) {
      h->complain("Requires an integer value.");
      continue;
    }
    if (v < -32768 || v > 32767) {
      h->complain("Requires an integer between -32768 and 32767.");
      continue;
    }
    if (result) *result = static_cast<int>(v);
    TRACE_SET(e, "result", v);
    return finish(h, e, RTNORM);
  }
}

int ads_getorient(const ads_point base, const char* prompt, ads_real* result) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_getorient");
  TRACE_SET(e, "prompt", drafthost::cp1252ToUtf8(text(prompt)));
  while (true) {
    Answer a = h->ask(text(prompt));
    if (a.kind != Answer::Text) {
      TRACE_SET(e, "result", nullptr);
      return finish(h, e, answerCode(a));
    }
    double degrees = 0, radians = 0;
    ads_point p;
    if (drafthost::parseReal(a.text, &degrees)) {
      radians = degrees * drafthost::kPi / 180.0;
    } else if (base && answerPoint(a, p) && (p[0] != base[0] || p[1] != base[1])) {
      // A second point gives the direction from the base point.
      radians = drafthost::normalizeAngle(numeric::atan2(p[1] - base[1], p[0] - base[0]));
    } else {
      h->complain("Requires valid numeric angle or second point.");
      continue;
    }
    if (result) *result = radians;
    TRACE_SET(e, "result", radians);
    return finish(h, e, RTNORM);
  }
}

int ads_draggen(const ads_name set, const char* prompt, int cursor,
                int (*callback)(ads_point cursor, ads_matrix matrix), ads_point result) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  (void)cursor;
  json e = call("ads_draggen");
  TRACE_SET(e, "prompt", drafthost::cp1252ToUtf8(text(prompt)));
  TRACE_SET(e, "set", set ? json(set[0]) : json(nullptr));
  if (!set || set[1] != kSetTag || !h->setMembers(set[0])) return finish(h, e, RTERROR);
  while (true) {
    Answer a = h->ask(text(prompt));
    if (a.kind != Answer::Text) {
      TRACE_SET(e, "result", nullptr);
      return finish(h, e, answerCode(a));
    }
    ads_point p;
    if (!answerPoint(a, p)) {
      h->complain("Invalid point.");
      continue;
    }
    // The callback sees the final cursor position once, as the last drag
    // sample; the set itself stays where it is.
    if (callback) {
      ads_matrix m;
      std::memset(m, 0, sizeof m);
      callback(p, m);
    }
    if (result)
      for (int i = 0; i < 3; ++i) result[i] = p[i];
    TRACE_SET(e, "result", pointJson(p));
    return finish(h, e, RTNORM);
  }
}

int ads_inters(const ads_point from1, const ads_point to1, const ads_point from2,
               const ads_point to2, int testEnds, ads_point result) {
  Host* h = Host::current();
  json e = call("ads_inters");
  int rc = RTNONE;
  if (from1 && to1 && from2 && to2) {
    double d1x = to1[0] - from1[0], d1y = to1[1] - from1[1];
    double d2x = to2[0] - from2[0], d2y = to2[1] - from2[1];
    double den = d1x * d2y - d1y * d2x;
    if (den != 0 && std::isfinite(den)) {
      double t = ((from2[0] - from1[0]) * d2y - (from2[1] - from1[1]) * d2x) / den;
      double u = ((from2[0] - from1[0]) * d1y - (from2[1] - from1[1]) * d1x) / den;
      const double eps = 1e-10;
      if (!testEnds || (t >= -eps && t <= 1 + eps && u >= -eps && u <= 1 + eps)) {
        double p[3] = {from1[0] + t * d1x, from1[1] + t * d1y, from1[2] + t * (to1[2] - from1[2])};
        if (result)
          for (int i = 0; i < 3; ++i) result[i] = p[i];
        TRACE_SET(e, "result", json::array({p[0], p[1], p[2]}));
        rc = RTNORM;
      }
    }
  } else {
    rc = RTERROR;
  }
  if (!h) return rc;
  return finish(h, e, rc);
}

int ads_ssadd(const ads_name entity, const ads_name set, ads_name result) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_ssadd");
  EntityId id = 0;
  if (entity) {
    id = h->entityOf(entity);
    TRACE_SET(e, "ent", entityJson(h, id));
    const drafthost::Entity* x = h->drawing.entity(id);
    if (x && x->parent) id = x->parent;  // a subentity selects its main entity
    x = h->drawing.entity(id);
    if (!x || x->space != 0) return finish(h, e, RTERROR);
  }
  int32_t n = 0;
  if (set) {
    TRACE_SET(e, "set", set[0]);
    if (set[1] != kSetTag || !h->setMembers(set[0]) || !id) return finish(h, e, RTERROR);
    n = set[0];
  } else {
    n = h->newSet();
    if (!n) return finish(h, e, RTERROR);
  }
  if (id) h->addToSet(n, id);
  setName(result, n, kSetTag);
  TRACE_SET(e, "result", n);
  return finish(h, e, RTNORM);
}

int ads_ssfree(const ads_name set) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_ssfree");
  TRACE_SET(e, "set", set ? json(set[0]) : json(nullptr));
  bool ok = set && set[1] == kSetTag && h->freeSet(set[0]);
  return finish(h, e, ok ? RTNORM : RTERROR);
}

int ads_xformss(const ads_name set, ads_matrix matrix) {
  Host* h = Host::current();
  if (!h) return RTERROR;
  json e = call("ads_xformss");
  TRACE_SET(e, "set", set ? json(set[0]) : json(nullptr));
  drafthost::Matrix m{};
  if (matrix)
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) m[r][c] = matrix[r][c];
  json rows = json::array();
  for (const auto& row : m) rows.push_back(json::array({row[0], row[1], row[2], row[3]}));
  TRACE_SET(e, "matrix", rows);
  const auto* members = set && set[1] == kSetTag ? h->setMembers(set[0]) : nullptr;
  auto xf = matrix ? drafthost::similarityOf(m) : std::nullopt;
  if (!members || !xf) return finish(h, e, RTERROR);
  // Entities that have since gone into a block definition are left alone.
  std::vector<EntityId> ids;
  ids.reserve(members->size());
  for (EntityId id : *members)
    if (h->drawing.entity(id)->space == 0) ids.push_back(id);
  h->drawing.transform(ids, *xf);
  return finish(h, e, RTNORM);
}

}  // extern "C"
