// metagen: writes the benchmark's generated drawing as a metafile and as JSON,
// and measures peak memory of reading such a file.
//   metagen write SHAPES OUT.mf [OUT.json]
//   metagen lines LINES OUT.mf [RANGE]         (one loose figure of LINEs)
//   metagen peak meta|nlohmann|simdjson FILE   (prints peak RSS per MB of input)
#include <sys/resource.h>

#include <simdjson.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "meta/reader.h"
#include "metafile_generator.h"

namespace {

long maxRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

bool writeFile(const char* path, const std::string& text) {
  std::ofstream f(path, std::ios::binary);
  f << text;
  return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "write") == 0) {
    GeneratedDocument doc = generateDrawing(std::strtoul(argv[2], nullptr, 10));
    if (!writeFile(argv[3], doc.metafile)) return 1;
    if (argc >= 5 && !writeFile(argv[4], doc.json)) return 1;
    std::printf("%zu nodes, metafile %zu bytes, json %zu bytes\n", doc.nodes, doc.metafile.size(),
                doc.json.size());
    return 0;
  }
  if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "lines") == 0) {
    const int range = argc == 5 ? std::atoi(argv[4]) : 500;
    if (range < 10 || range > 1000000) {
      std::fputs("metagen: RANGE is a whole number from 10 to 1000000\n", stderr);
      return 2;
    }
    GeneratedDocument doc = generateLines(std::strtoul(argv[2], nullptr, 10), range);
    if (!writeFile(argv[3], doc.metafile)) return 1;
    std::printf("%zu nodes, metafile %zu bytes\n", doc.nodes, doc.metafile.size());
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "peak") == 0) {
    std::ifstream in(argv[3], std::ios::binary | std::ios::ate);
    double mb = static_cast<double>(in.tellg()) / 1e6;
    in.close();
    long before = maxRssKb();
    bool ok = false;
    if (std::strcmp(argv[2], "meta") == 0) {
      metaObjectC doc = readMetaFile(argv[3], true);
      ok = doc.isValid();
    } else if (std::strcmp(argv[2], "nlohmann") == 0) {
      std::ifstream f(argv[3], std::ios::binary);
      nlohmann::json j = nlohmann::json::parse(f);
      ok = !j.is_null();
    } else if (std::strcmp(argv[2], "simdjson") == 0) {
      simdjson::dom::parser parser;
      simdjson::dom::element e;
      ok = !parser.load(argv[3]).get(e);
    }
    long after = maxRssKb();
    std::printf("%s: %s, input %.1f MB, peak RSS growth %.1f MB, %.2f MB per MB of input\n",
                argv[2], ok ? "ok" : "failed", mb, (after - before) / 1024.0,
                (after - before) / 1024.0 / mb);
    return ok ? 0 : 1;
  }
  std::fputs(
      "usage: metagen write SHAPES OUT.mf [OUT.json]\n"
      "       metagen lines LINES OUT.mf [RANGE]   (coordinates within +-RANGE, default 500)\n"
      "       metagen peak meta|nlohmann|simdjson FILE\n",
      stderr);
  return 2;
}
