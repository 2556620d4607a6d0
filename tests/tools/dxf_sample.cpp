// Builds a drawing with every entity kind the plug-in makes, through the host
// functions as the plug-in calls them, and writes it as DXF. The checks in
// check_sample.py know the values used here.
//   dxf_sample OUT.dxf [--imperial]
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "dxf_writer.h"
#include "host.h"
#include "plugin/ads.h"

namespace {

int make(resbuf* list) {
  int rc = ads_entmake(list);
  ads_relrb(list);
  return rc;
}

bool check(int rc, const char* what) {
  if (rc != RTNORM) std::cerr << "dxf_sample: " << what << " refused\n";
  return rc == RTNORM;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: dxf_sample OUT.dxf [--imperial]\n";
    return 2;
  }
  namespace fs = std::filesystem;
  std::ostringstream commandLine;
  drafthost::Host host(commandLine);
  if (argc > 2 && std::strcmp(argv[2], "--imperial") == 0) host.measurement = 0;

  fs::path dir = fs::temp_directory_path() / ("dxf_sample_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "sample.lin") << "*DASHED,Dashed __ __ __\nA,12.7,-6.35\n"
                                       "*CENTER,Center ____ _ ____\nA,31.75,-6.35,6.35,-6.35\n";
  std::ofstream(dir / "part.sat") << "700 0 1 0\n@7 drafthost @4 test\n1 9.9999999999999995e-07 "
                                     "1e-10\nbody $-1 -1 $-1 $1 $-1 $-1 #\n"
                                     "lump $-1 -1 $-1 $-1 $2 $0 #\nEnd-of-ACIS-data\n";
  std::string lin = (dir / "sample.lin").string(), sat = (dir / "part.sat").string();

  const ads_point origin = {0, 0, 0}, zAxis = {0, 0, 1};
  bool ok = true;
  ok &= check(ads_command(RTSTR, "_.linetype", RTSTR, "_load", RTSTR, "DASHED,CENTER", RTSTR,
                          lin.c_str(), RTSTR, "", RTNONE),
              "linetype load");
  ok &= check(ads_command(RTSTR, "_.layer", RTSTR, "_new", RTSTR, "Kontur", RTSTR, "", RTNONE),
              "layer");
  ok &= check(ads_command(RTSTR, "_.layer", RTSTR, "_color", RTSHORT, 1, RTSTR, "Kontur", RTSTR, "",
                          RTNONE),
              "layer colour");
  ok &= check(ads_command(RTSTR, "_.layer", RTSTR, "_ltype", RTSTR, "DASHED", RTSTR, "Kontur",
                          RTSTR, "", RTNONE),
              "layer linetype");

  const ads_point a = {0, 0, 0}, b = {100, 0, 0};
  ok &= check(make(ads_buildlist(RTDXF0, "LINE", 8, "Kontur", 62, 3, 10, a, 11, b, 0)), "LINE");
  const ads_point c1 = {50, 25, 0};
  ok &= check(make(ads_buildlist(RTDXF0, "ARC", 8, "Kontur", 6, "CENTER", 10, c1, 40, 20.0, 50,
                                 0.5235987755982988, 51, 1.5707963267948966, 0)),
              "ARC");
  const ads_point c2 = {20, 20, 0};
  ok &= check(make(ads_buildlist(RTDXF0, "CIRCLE", 8, "Bohrung", 10, c2, 40, 5.0, 0)), "CIRCLE");
  ads_name circle;
  ads_entlast(circle);
  const ads_point c3 = {70, 20, 0}, axis = {10, 0, 0};
  ok &= check(make(ads_buildlist(RTDXF0, "ELLIPSE", 8, "Kontur", 10, c3, 11, axis, 40, 0.5, 41, 0.0,
                                 42, 3.141592653589793, 0)),
              "ELLIPSE");
  const ads_point t = {5, 45, 0};
  // "Welle \xD8" + "20": a Windows-1252 diameter sign.
  ok &= check(make(ads_buildlist(RTDXF0, "MTEXT", 8, "Text", 10, t, 40, 3.5, 71, 1, 72, 1, 1,
                                 "Welle \xD8"
                                 "20\\Pzweite Zeile",
                                 50, 1.5707963, 0)),
              "MTEXT");
  std::string longText(260, 'x');
  longText += "END";
  const ads_point t2 = {5, 60, 0};
  ok &= check(make(ads_buildlist(RTDXF0, "MTEXT", 8, "Text", 10, t2, 40, 2.5, 71, 7, 72, 1, 1,
                                 longText.c_str(), 0)),
              "long MTEXT");

  ok &= check(make(ads_buildlist(RTDXF0, "POLYLINE", 8, "Kontur", 66, 1, 70, 1, 10, origin, 0)),
              "POLYLINE");
  const ads_point v[] = {{110, 0, 0}, {130, 0, 0}, {130, 20, 0}, {110, 20, 0}};
  for (int i = 0; i < 4; ++i)
    ok &= check(make(ads_buildlist(RTDXF0, "VERTEX", 8, "Kontur", 10, v[i], 42,
                                   i == 1 ? 0.41421356237309503 : 0.0, 0)),
                "VERTEX");
  ok &= check(make(ads_buildlist(RTDXF0, "SEQEND", 8, "Kontur", 0)), "SEQEND");

  ok &=
      check(make(ads_buildlist(
                RTDXF0, "HATCH", 100, "AcDbEntity", 8, "Schraffur", 100, "AcDbHatch", 62, 5, 10,
                origin, 210, zAxis, 2, "_U", 70, 0, 71, 1, 91, 1, 92, 1, 93, 1, 72, 2, 10, c2, 40,
                5.0, 50, 0.0, 51, 6.283185307179586, 73, 1, 97, 1, 330, circle, 75, 0, 76, 1, 52,
                0.7853981633974483, 41, 2.0, 77, 0, 78, 1, 53, 0.7853981633974483, 43, 0.0, 44, 0.0,
                45, -1.4142135623730951, 46, 1.4142135623730951, 79, 0, 98, 1, 10, origin, 0)),
            "HATCH");

  // Block SCHRAUBE: a circle and a line about the base point (5, 5).
  const ads_point s1 = {5, 5, 0}, s2 = {15, 5, 0}, base = {5, 5, 0};
  ads_name e1, e2, set;
  ok &= check(make(ads_buildlist(RTDXF0, "CIRCLE", 8, "Kontur", 10, s1, 40, 4.0, 0)), "CIRCLE");
  ads_entlast(e1);
  ok &= check(make(ads_buildlist(RTDXF0, "LINE", 8, "Kontur", 10, s1, 11, s2, 0)), "LINE");
  ads_entlast(e2);
  ads_ssadd(nullptr, nullptr, set);
  ads_ssadd(e1, set, set);
  ads_ssadd(e2, set, set);
  ok &= check(ads_command(RTSTR, "_.BLOCK", RTSTR, "SCHRAUBE", RTPOINT, base, RTPICKS, set, RTSTR,
                          "", RTNONE),
              "BLOCK");
  ads_ssfree(set);
  const ads_point ins = {150, 30, 0};
  ok &= check(make(ads_buildlist(RTDXF0, "INSERT", 8, "Kontur", 2, "schraube", 10, ins, 41, 2.0, 42,
                                 2.0, 43, 2.0, 50, 1.0471975511965976, 0)),
              "INSERT");

  ok &= check(ads_command(RTSTR, "_acisin", RTSTR, sat.c_str(), RTNONE), "ACISIN");
  fs::remove_all(dir);
  if (!ok) return 1;

  drafthost::DxfOptions options;
  options.measurement = host.measurement;
  std::string error;
  if (!drafthost::writeDxfFile(host.drawing, options, argv[1], &error)) {
    std::cerr << "dxf_sample: " << error << '\n';
    return 1;
  }
  return 0;
}
