// Arbitrary bytes as a drafthost script: every line goes through the command
// line, and two stand-in plug-in commands take further lines at their prompts.
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

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

void make() {
  ads_point a = {0, 0, 0}, b = {1, 1, 0};
  int r = 1;
  if (ads_getint("Radius:", &r) != RTNORM) return;
  ads_getorient(a, "Winkel:", &b[0]);
  resbuf* list = ads_buildlist(RTDXF0, "ARC", 8, "Fuzz", 10, a, 40, static_cast<double>(r), 50,
                               b[0], 51, 1.0, 0);
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
  if (ads_entlast(e) != RTNORM || ads_ssadd(e, nullptr, set) != RTNORM) return;
  ads_matrix m = {{0, -1, 0, 2}, {1, 0, 0, 3}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  m[0][0] = static_cast<double>(r);
  ads_xformss(set, m);
  ads_command(RTSTR, "_.BLOCK", RTSTR, "F", RTPOINT, a, RTPICKS, set, RTSTR, "", RTNONE);
  ads_ssfree(set);
}

extern "C" int stubEntry(int message, void* packet) {
  if (message == 1) acrxUnlockApplication(packet);
  if (message == 3) {
    ads_defun("C:PROBE", 0);
    ads_defun("C:MAKE", 1);
  }
  if (message == 5) {
    if (ads_getfuncode() == 0) probe();
    else make();
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::ostringstream out, trace;
  drafthost::Host host(out);
  host.trace = &trace;
  host.attach(stubEntry);
  BufferLines lines(data, size);
  host.run(lines);
  host.detach();
  return 0;
}
