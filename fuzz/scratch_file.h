// A scratch folder per fuzzing process for the code under test that only
// reads files by name. It is made once, in memory (/dev/shm) where the system
// has it, else in the temporary folder, and removed at exit; inputs overwrite
// the same files, so no file is created or deleted per input.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzzscratch {

class Folder {
 public:
  explicit Folder(const std::string& name) {
    namespace fs = std::filesystem;
    const std::string leaf = name + "_" + std::to_string(::getpid());
    std::error_code ec;
#ifndef _WIN32
    dir_ = fs::path("/dev/shm") / leaf;
    if (fs::create_directories(dir_, ec)) return;
#endif
    dir_ = fs::temp_directory_path(ec) / leaf;
    fs::create_directories(dir_, ec);
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  const std::filesystem::path& path() const { return dir_; }
  std::string file(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

// Writes the bytes as the whole file; false when it cannot be written.
inline bool write(const std::string& path, const uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

// The path of one file in the process's scratch folder for this target: made
// on the first call, so a harness that needs a single file names it once.
// A process has one such file: later calls return the first path.
inline const std::string& file(const char* target, const char* name) {
  static const Folder folder(target);
  static const std::string path = folder.file(name);
  return path;
}

}  // namespace fuzzscratch
