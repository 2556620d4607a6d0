// Which installation the plug-in uses: the start.env beside the built plug-in
// names the sample installation and wins over the environment; a plug-in
// copied elsewhere without a start file takes everything from the environment.
#include <string>

#include "drafthost_run.h"

namespace {

namespace fs = std::filesystem;

class InstallationE2e : public E2eTest {
 protected:
  // Runs drafthost with the environment given ("NAME=value ...") and drafthost options.
  HostRun runWith(const std::string& environment, const std::string& options) {
    std::ofstream(dir / "script.scr", std::ios::binary) << "(C:MOXIopenps2 \"m.out\")\n";
    std::string cmd = "cd '" + dir.string() + "' && env -u HALDRIX -u HALDRIX_SETUP" +
                      " -u HALDRIX_LANGUAGE HALDRIX_USER='" + (dir / "user").string() +
                      "' DRAFTHOST_SUPPORT='" + DRW_SOURCE_DIR + "/setup' " + environment + " '" +
                      binary() + "' " + options + " script.scr > out.txt 2> err.txt";
    HostRun r;
    int rc = std::system(cmd.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = read(dir / "out.txt");
    return r;
  }

  // An installation of our own with a one-entry English language file.
  fs::path ownInstallation() {
    fs::path inst = dir / "inst";
    fs::create_directories(inst / "lang" / "english");
    std::ofstream(inst / "lang" / "english" / "drwlink2.nls", std::ios::binary)
        << "\"Metadatei %s wurde nicht gefunden!\",\"Own installation: %s\"\n";
    return inst;
  }
};

TEST_F(InstallationE2e, TheStartFileBesideThePluginWinsOverTheEnvironment) {
  fs::path inst = ownInstallation();
  HostRun r = runWith("HALDRIX='" + inst.string() + "' HALDRIX_LANGUAGE=english", "");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\nMetafile m.out was not found!\n"), std::string::npos) << r.out;
}

TEST_F(InstallationE2e, ACopiedPluginWithoutStartFileUsesTheEnvironment) {
  fs::path inst = ownInstallation();
  fs::create_directories(dir / "a" / "b" / "bin");
  fs::path plugin = dir / "a" / "b" / "bin" / "drwlink2.so";
  fs::copy_file(fs::path(DRW_BINARY_DIR) / "bin" / "drwlink2.so", plugin);
  HostRun r = runWith("HALDRIX='" + inst.string() + "' HALDRIX_LANGUAGE=english",
                      "--plugin '" + plugin.string() + "'");
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\nOwn installation: m.out\n"), std::string::npos) << r.out;

  // Its own start file two levels up takes over again.
  std::ofstream(dir / "a" / "start.env") << "[ENVIRONS]\nHALDRIX=" << DRW_SOURCE_DIR << "/setup\n";
  r = runWith("HALDRIX='" + inst.string() + "' HALDRIX_LANGUAGE=english",
              "--plugin '" + plugin.string() + "'");
  EXPECT_NE(r.out.find("\nMetafile m.out was not found!\n"), std::string::npos) << r.out;
}

}  // namespace
