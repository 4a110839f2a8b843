// The parts of the platform layer that are the same on every system; the system calls are in
// file_system_posix.cpp and file_system_windows.cpp, one of which the build picks.
#include "file_system.h"

namespace platform {

bool SameFile(const std::string& a, const std::string& b) {
  FileId first;
  FileId second;
  return IdentityOf(a, &first) && IdentityOf(b, &second) && first == second;
}

}  // namespace platform
