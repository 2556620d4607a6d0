// File facts and file times. The path values in config/ use these for every
// file operation, and the variable expansion the system folders; here are the
// refusals those never reach: impossible dates, names holding a character 0.
#include "platform/files.h"
#include "platform/system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

TEST(PlatformFiles, Refusals) {
  const std::string file =
      (std::filesystem::temp_directory_path() / ("drw-platform-" + std::to_string(::getpid())))
          .string();
  std::ofstream(file) << "x";
  const std::string missing = file + ".missing", zero = file + std::string("\0x", 2);
  platform::FileInfo info;
  info.size = 42;
  std::string network = "unchanged";
  const struct {
    const char* name;
    bool got;
  } cases[] = {
      {"stat of a missing path", platform::statPath(missing, info)},
      {"stat of a name holding a character 0", platform::statPath(zero, info)},
      {"a character 0 does not name a shorter path", platform::pathExists(zero)},
      {"link test of a character 0", platform::isSymbolicLink(zero)},
      {"30 February", platform::setFileTime(file, platform::FileTime::Write, {2021, 2, 30})},
      {"month 13", platform::setFileTime(file, platform::FileTime::Access, {2021, 13, 1})},
      {"setting a character 0",
       platform::setFileTime(zero, platform::FileTime::Write, {2021, 1, 1})},
      {"both times of a character 0", platform::setFileTimes(zero, 0, 0)},
      {"module of no address", !platform::moduleFileName(nullptr).empty()},
      {"network name of a drive", platform::universalName("Z:\\data", network)},
  };
  for (const auto& c : cases) EXPECT_FALSE(c.got) << c.name;
  EXPECT_EQ(info.size, 42) << "a failed stat leaves the facts alone";
  EXPECT_EQ(network, "unchanged");
  std::filesystem::remove(file);
}

}  // namespace
