// The platform layer on POSIX systems: paths handed to the C library as they are.
#include "file_system.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

namespace platform {

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool RenameReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool KindOfFile(const std::string& path, FileKind* kind) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  *kind = S_ISDIR(info.st_mode)   ? FileKind::kDirectory
          : S_ISREG(info.st_mode) ? FileKind::kRegular
                                  : FileKind::kOther;
  return true;
}

bool SizeOfFile(const std::string& path, std::uint64_t* size) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool IsReadable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }

bool IdentityOf(const std::string& path, FileId* id) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  id->volume = static_cast<std::uint64_t>(info.st_dev);
  id->index = static_cast<std::uint64_t>(info.st_ino);
  return true;
}

bool IsPipeOrSocket(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return false;
  if (S_ISSOCK(info.st_mode)) return true;
  if (!S_ISFIFO(info.st_mode)) return false;
  // Without a reader a non-blocking open fails (ENXIO) where a blocking one would wait.
  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return true;
  ::close(fd);
  return false;
}

EntryKind EntryAt(const std::string& path, std::string* target) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return EntryKind::kNothing;
  if (!S_ISLNK(info.st_mode)) return EntryKind::kOther;
  std::vector<char> text(PATH_MAX + 1);
  const ssize_t length = ::readlink(path.c_str(), text.data(), text.size() - 1);
  if (length <= 0) return EntryKind::kOther;
  target->assign(text.data(), static_cast<std::size_t>(length));
  return EntryKind::kSymbolicLink;
}

bool ResolvedPath(const std::string& path, std::string* resolved) {
  std::unique_ptr<char, decltype(&::free)> text(::realpath(path.c_str(), nullptr), &::free);
  if (!text) return false;
  resolved->assign(text.get());
  return true;
}

bool WriteClaim::Acquire(const char* path) noexcept {
  Release();
  if (path == nullptr) return true;
  // Without truncating: another writer's file is left as it is. Non-blocking, so that a FIFO
  // without a reader does not hold the open up.
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return true;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return true;
  }
  // flock, not fcntl: its lock belongs to this descriptor, so a second claim within this
  // process fails as well, and closing some other descriptor of the file keeps it.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd);
    return error != EWOULDBLOCK;
  }
  m_fd = fd;
  return true;
}

void WriteClaim::Release() noexcept {
  // Closing the descriptor releases its lock.
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

WriteClaim::WriteClaim(WriteClaim&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

WriteClaim& WriteClaim::operator=(WriteClaim&& other) noexcept {
  if (this != &other) {
    Release();
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

}  // namespace platform
