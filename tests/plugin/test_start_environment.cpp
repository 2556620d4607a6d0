// The program drive a module path gives: drive letters and network shares in
// both slash styles, which a POSIX installation never has.
#include <gtest/gtest.h>

#include "plugin/start_environment.h"

TEST(ProgramDrive, FromTheModulePath) {
  struct Case {
    const char* path;
    const char* drive;
  } cases[] = {
      {"D:/tool/bin/drwlink2.arx", "D:"},
      {"d:\\tool\\bin\\drwlink2.arx", "d:"},
      {"//srv/cad/bin/drwlink2.arx", "//srv/cad"},
      {"\\\\srv\\cad\\bin\\drwlink2.arx", "//srv/cad"},
      {"/opt/drw/bin/drwlink2.so", ""},
      {"drwlink2.so", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(programDrive(c.path), c.drive) << c.path;
}
