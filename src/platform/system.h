// System facts: the Windows and temporary directory equivalents, the current
// directory, the file name of a loaded module and network names of drives.
#pragma once

#include <string>

namespace platform {

// Stands in for the Windows directory: always "/" on POSIX.
std::string windowsDirectory();

// Stands in for the temporary directory: $TMPDIR when set and not empty, else
// "/tmp". Returned as found; trailing slashes are the caller's business, as
// they are with the Windows call.
std::string temporaryDirectory();

// The process's working directory; empty when it cannot be read.
std::string currentDirectory();

// Full file name of the executable or shared library that holds `address`
// (any function or object inside it); empty when no loaded module holds it.
std::string moduleFileName(const void* address);

// The network name (//server/share/...) of a path on a mapped drive. POSIX has
// no mapped drives: always false, `out` untouched.
bool universalName(const std::string& path, std::string& out);

}  // namespace platform
