// Arbitrary bytes as a drafthost script: every line goes through the command
// line, and two stand-in plug-in commands take further lines at their prompts.
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "host.h"
#include "plugin/ads.h"

namespace {

class BufferLines : public drafthost::LineSource {
 public:
  BufferLines(const uint8_t* data, size_t size)
      : text_(reinterpret_cast<const char*>(data), size) {}
  std::optional<std::string> nextLine() override {
    if (pos_ > text_.size() || (pos_ == text_.size() && !text_.empty())) return std::nullopt;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string::npos) end = text_.size();
    std::string line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return line;
  }

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

int dragged(ads_point p, ads_matrix m) {
  std::memset(m, 0, sizeof(ads_matrix));
  for (int i = 0; i < 4; ++i) m[i][i] = 1;
  for (int i = 0; i < 3; ++i) m[i][3] = p[i];
  return RTNORM;
}

// PROBE asks every kind of prompt; MAKE builds entities from the answers and
// moves them about, as the placement code does.
void probe() {
  resbuf* args = ads_getargs();
  ads_relrb(args);
  int n = 0;
  ads_getint("Zahl:", &n);
  ads_name e, set;
  ads_point p;
  ads_entsel("\nObjekt w\xE4hlen:", e, p);
  ads_real angle = 0;
  const ads_point origin = {0, 0, 0};
  ads_getorient(origin, "Drehwinkel:", &angle);
  if (ads_ssadd(nullptr, nullptr, set) == RTNORM) {
    ads_draggen(set, "Einf\xFCgepunkt:", 0, dragged, p);
    ads_ssfree(set);
  }
}

// String arguments of the call, as the plug-in passes names to host commands.
std::vector<std::string> stringArgs() {
  std::vector<std::string> out;
  resbuf* args = ads_getargs();
  for (resbuf* rb = args; rb; rb = rb->rbnext)
    if (rb->restype == RTSTR && rb->resval.rstring) out.push_back(rb->resval.rstring);
  ads_relrb(args);
  while (out.size() < 3) out.push_back("");
  return out;
}

void make() {
  std::vector<std::string> names = stringArgs();
  ads_point a = {0, 0, 0}, b = {1, 1, 0};
  int r = 1;
  if (ads_getint("Radius:", &r) != RTNORM) return;
  ads_getorient(a, "Winkel:", &b[0]);
  const char* name = names[0].c_str();
  ads_command(RTSTR, "_.layer", RTSTR, "_new", RTSTR, name, RTSTR, "_color", RTSHORT, r, RTSTR,
              name, RTSTR, "_ltype", RTSTR, names[1].c_str(), RTSTR, name, RTSTR, "", RTNONE);
  ads_command(RTSTR, "_.linetype", RTSTR, "_load", RTSTR, names[1].c_str(), RTSTR, names[2].c_str(),
              RTSTR, "", RTNONE);
  ads_command(RTSTR, "_acisin", RTSTR, names[2].c_str(), RTNONE);
  resbuf* list = ads_buildlist(RTDXF0, "ARC", 8, name, 6, names[1].c_str(), 10, a, 40,
                               static_cast<double>(r), 50, b[0], 51, 1.0, 0);
  ads_entmake(list);
  ads_relrb(list);
  list = ads_buildlist(RTDXF0, "ELLIPSE", 10, a, 11, b, 40, b[0], 41, 0.0, 42, 1.0, 0);
  ads_entmake(list);
  ads_relrb(list);
  list = ads_buildlist(RTDXF0, "MTEXT", 10, b, 40, b[0], 71, r, 1, name, 50, b[0], 0);
  ads_entmake(list);
  ads_relrb(list);
  list = ads_buildlist(RTDXF0, "POLYLINE", 66, 1, 10, a, 0);
  ads_entmake(list);
  ads_relrb(list);
  list = ads_buildlist(RTDXF0, "VERTEX", 10, b, 42, static_cast<double>(r), 0);
  ads_entmake(list);
  ads_relrb(list);
  list = ads_buildlist(RTDXF0, "SEQEND", 0);
  ads_entmake(list);
  ads_relrb(list);
  ads_name e, set;
  if (ads_entlast(e) != RTNORM) return;
  const ads_point z = {0, 0, 1};
  list = ads_buildlist(RTDXF0, "HATCH", 10, a, 210, z, 2, "_U", 70, 0, 71, 1, 91, 1, 92, r, 93, r,
                       72, 2, 10, a, 40, b[0], 50, 0.0, 51, 1.0, 73, 1, 97, 1, 330, e, 75, 0, 76, 1,
                       52, b[0], 41, 1.0, 77, 0, 78, r, 53, 0.0, 43, 0.0, 44, 0.0, 45, 0.0, 46, 1.0,
                       79, 0, 98, 1, 10, b, 0);
  ads_entmake(list);
  ads_relrb(list);
  ads_entlast(e);
  if (ads_ssadd(e, nullptr, set) != RTNORM) return;
  ads_matrix m = {{0, -1, 0, 2}, {1, 0, 0, 3}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  m[0][1] = -static_cast<double>(r);
  m[1][0] = b[0];
  ads_xformss(set, m);
  ads_command(RTSTR, "_.BLOCK", RTSTR, name, RTPOINT, a, RTPICKS, set, RTSTR, "", RTNONE);
  ads_ssfree(set);
  list = ads_buildlist(RTDXF0, "INSERT", 2, name, 10, b, 41, b[0], 50, b[0], 0);
  ads_entmake(list);
  ads_relrb(list);
}

extern "C" int stubEntry(int message, void* packet) {
  if (message == 1) acrxUnlockApplication(packet);
  if (message == 3) {
    ads_defun("C:PROBE", 0);
    ads_defun("C:MAKE", 1);
  }
  if (message == 5) {
    if (ads_getfuncode() == 0)
      probe();
    else
      make();
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::ostringstream out, trace;
  drafthost::Host host(out);
  // Writing the trace costs about seven times the rest of a run: write it for
  // one input length in 64 only, which still covers it with every kind of call
  // (thousands of traced runs in a campaign hour).
  if (size % 64 == 0) host.trace = &trace;
  host.attach(stubEntry);
  BufferLines lines(data, size);
  host.run(lines);
  host.detach();
  return 0;
}
