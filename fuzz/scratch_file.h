// A scratch folder per fuzzing process for the code under test that only
// reads files by name. It is made once, in memory (/dev/shm) where the system
// has it, else under TMPDIR or /tmp, and removed at exit; inputs overwrite the
// same files, so no file is created or deleted per input.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace fuzzscratch {

class Folder {
 public:
  explicit Folder(const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = "/dev/shm";
    if (!fs::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0) {
      const char* tmp = std::getenv("TMPDIR");
      base = tmp && *tmp ? tmp : "/tmp";
    }
    dir_ = base / (name + "_" + std::to_string(::getpid()));
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

}  // namespace fuzzscratch
