// moxicatalog: the stand-in catalogue program. One program plays the viewer,
// the shaft designer, the assembly program and the connection program; the
// "-server" name decides the role and with it the part it delivers.
//
//   moxicatalog -server NAME -topic NAME [-poke ITEM]... -fm METAV2|sat -o FILE
//
// MOXICATALOG_PART chooses another part: screw, shaft, bearing, joint; "none"
// writes the "000" file of a user who chose nothing; "nofile" writes nothing;
// anything else is the path of a metafile delivered as it is.
// MOXICATALOG_DELAY holds seconds to wait before writing (a user browsing).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "parts.h"

namespace {

const char kUsage[] =
    "usage: moxicatalog -server NAME [-topic NAME] [-poke ITEM]... -fm METAV2|sat -o FILE\n"
    "Roles by -server: MoxiViewer (screw), MoxiWel (shaft), MoxiAssembly (bearing),\n"
    "MoxiCon (bolted joint sized from -poke \"mconset=TYPE,CLAMP,THICKNESS,-1\").\n"
    "MOXICATALOG_PART=screw|shaft|bearing|joint|none|nofile|PATH chooses another part;\n"
    "MOXICATALOG_DELAY=SECONDS waits before writing.\n";

struct Request {
  std::string server, format, output;
  std::vector<std::string> pokes;
};

std::string defaultPart(const std::string& server) {
  if (server == "MoxiWel") return "shaft";
  if (server == "MoxiAssembly") return "bearing";
  if (server == "MoxiCon") return "joint";
  return "screw";
}

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "-h" || arg == "--help") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "-server" && hasValue) {
      request.server = argv[++i];
    } else if (arg == "-topic" && hasValue) {
      ++i;
    } else if (arg == "-poke" && hasValue) {
      request.pokes.push_back(argv[++i]);
    } else if (arg == "-fm" && hasValue) {
      request.format = argv[++i];
    } else if (arg == "-o" && hasValue) {
      request.output = argv[++i];
    }
    // Other switches belong to the real suite's conversation; they are ignored.
  }
  if (request.output.empty()) {
    std::cerr << "moxicatalog: no output file (-o)\n" << kUsage;
    return 2;
  }
  const bool sat = request.format == "sat";
  if (!sat && request.format != "METAV2") {
    std::cerr << "moxicatalog: unknown format '" << request.format << "'\n" << kUsage;
    return 2;
  }

  if (const char* delay = std::getenv("MOXICATALOG_DELAY")) {
    double seconds = std::atof(delay);
    if (seconds > 0 && seconds < 3600)
      std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  }

  std::string part = defaultPart(request.server);
  if (const char* chosen = std::getenv("MOXICATALOG_PART"); chosen && *chosen) part = chosen;
  if (part == "nofile") return 0;

  std::string text;
  if (part == "none") {
    text = "000 kein Teil gewaehlt\n";
  } else if (sat) {
    std::string version = "7.0";
    for (const std::string& poke : request.pokes)
      if (poke.rfind("FormatVersion=", 0) == 0) version = poke.substr(14);
    text = moxi::partSat(part, version);
  } else if (part == "screw") {
    text = moxi::screwMetafile();
  } else if (part == "shaft") {
    text = moxi::shaftMetafile();
  } else if (part == "bearing") {
    text = moxi::bearingMetafile();
  } else if (part == "joint") {
    moxi::ConnectionData data;
    for (const std::string& poke : request.pokes)
      if (poke.rfind("mconset=", 0) == 0 && !moxi::parseConnectionData(poke, data)) {
        std::cerr << "moxicatalog: unusable connection data '" << poke << "'\n";
        return 3;
      }
    text = moxi::boltedJointMetafile(data);
  } else {
    // A metafile of the user's, delivered as it is.
    std::ifstream in(part, std::ios::binary);
    if (!in) {
      std::cerr << "moxicatalog: cannot read part file " << part << '\n';
      return 3;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
  }
  if (!writeFile(request.output, text)) {
    std::cerr << "moxicatalog: cannot write " << request.output << '\n';
    return 4;
  }
  return 0;
}
