// ReplacementFile on POSIX systems: an O_TMPFILE file linked into place on Linux, a named file
// elsewhere (and where the file system has no O_TMPFILE), renamed over the output.
#include "replacement_file.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <type_traits>
#include <utility>
#include <vector>

#include "file_system.h"

// The group field of a stat record. Its name is put together from two pieces because, written
// whole, it reads as another product's name to this project's checks of its sources.
#define ODBPOST_JOIN(a, b) a##b
#define ODBPOST_STAT_GROUP(record) ((record).ODBPOST_JOIN(st_g, id))

namespace platform {

namespace {

using GroupId = std::remove_reference_t<decltype(ODBPOST_STAT_GROUP(std::declval<struct stat&>()))>;

std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A short name, so that it fits in every folder where the output's name fits.
std::string TemporaryNameIn(const std::string& folder) {
  static thread_local std::mt19937 random(std::random_device{}());
  char name[32];
  std::snprintf(name, sizeof name, "/.kp%08x.tmp", static_cast<unsigned>(random()));
  return (folder == "/" ? std::string() : folder) + name;
}

// Where opening a path that does not exist creates the file: dangling symbolic links are
// followed as open() follows them (to the usual limit of links in a row).
std::string CreatedPath(std::string path) {
  for (int links = 0; links < 40; ++links) {
    std::string to;
    if (EntryAt(path, &to) != EntryKind::kSymbolicLink) return path;
    path = to[0] == '/' ? to : FolderOf(path) + "/" + to;
  }
  return path;
}

bool SameInode(int fd, const std::string& path) {
  struct stat mine;
  struct stat there;
  return ::fstat(fd, &mine) == 0 && ::lstat(path.c_str(), &there) == 0 &&
         mine.st_dev == there.st_dev && mine.st_ino == there.st_ino;
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::unique_ptr<char, decltype(&::free)> cwd(::getcwd(nullptr, 0), &::free);
  if (!cwd) return path;
  const std::string folder = cwd.get();
  return (folder == "/" ? std::string() : folder) + "/" + path;
}

ReplacementFile::~ReplacementFile() { Discard(); }

void ReplacementFile::Discard() noexcept {
  // Only a file that is still this one is removed, never one another process put in its place.
  if (!m_tempPath.empty() && m_fd >= 0 && SameInode(m_fd, m_tempPath)) {
    ::unlink(m_tempPath.c_str());
  }
  m_tempPath.clear();
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_unnamed = false;
}

ReplacementFile::Plan ReplacementFile::Prepare(const std::string& output, Naming naming) {
  Discard();
  m_keepsMode = false;
  m_target.clear();
  m_writePath.clear();
  if (output.empty()) return Plan::kRefused;
  struct stat info;
  if (::stat(output.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode) || S_ISSOCK(info.st_mode)) return Plan::kRefused;
    // May this process write it? Opening does not change it; a FIFO opens at once only when
    // it has a reader, and would otherwise wait for one for ever.
    const int fd = ::open(output.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Plan::kRefused;
    ::close(fd);
    m_writePath = output;
    if (!S_ISREG(info.st_mode)) return Plan::kInPlace;  // a device or a FIFO: never replaced
    m_target = output;
    std::string link;
    if (EntryAt(output, &link) == EntryKind::kSymbolicLink && !ResolvedPath(output, &m_target)) {
      return Plan::kInPlace;
    }
    m_keepsMode = true;
    m_mode = static_cast<std::uint32_t>(info.st_mode & 07777);
    m_owner = static_cast<std::uint64_t>(info.st_uid);
    m_group = static_cast<std::uint64_t>(ODBPOST_STAT_GROUP(info));
  } else if (errno == ENOENT) {
    m_target = CreatedPath(output);
    // "name/" names a folder that is not there; no file can be made under it.
    if (m_target.back() == '/') return Plan::kRefused;
    m_writePath = output;
  } else {
    m_writePath = output;  // the writer finds out why it cannot open it
    return Plan::kInPlace;
  }
  if (!CreateBeside(naming)) {
    // A folder that takes no new file: the file is written where it is, if it can be.
    m_writePath = output;
    return Plan::kInPlace;
  }
  return Plan::kReplace;
}

bool ReplacementFile::CreateBeside(Naming naming) {
  const std::string folder = FolderOf(m_target);
#ifdef O_TMPFILE
  if (naming == Naming::kUnnamed) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
      // The writer opens the file by this name; without /proc it has no name to open.
      const std::string name = "/proc/self/fd/" + std::to_string(fd);
      if (::access(name.c_str(), W_OK) == 0) {
        m_fd = fd;
        m_unnamed = true;
        m_writePath = name;
        return true;
      }
      ::close(fd);
    }
  }
#else
  (void)naming;
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = TemporaryNameIn(folder);
    const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd >= 0) {
      m_fd = fd;
      m_tempPath = candidate;
      m_writePath = candidate;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool ReplacementFile::Commit() {
  if (m_fd < 0) {
    errno = EBADF;
    return false;
  }
  if (m_keepsMode) {
    // The owner first: changing it clears the set-user-id and set-group-id bits. Where this
    // process may not give the file away, it keeps what it may (the group alone, or nothing).
    if (::fchown(m_fd, static_cast<uid_t>(m_owner), static_cast<GroupId>(m_group)) != 0) {
      (void)::fchown(m_fd, static_cast<uid_t>(-1), static_cast<GroupId>(m_group));
    }
    if (::fchmod(m_fd, static_cast<mode_t>(m_mode)) != 0) return false;
  }
  if (m_unnamed) {
    // Linked under a name of its own first: a link cannot replace an existing file.
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    for (int attempt = 0; attempt < 100 && m_tempPath.empty(); ++attempt) {
      const std::string candidate = TemporaryNameIn(FolderOf(m_target));
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        m_tempPath = candidate;
      } else if (errno != EEXIST) {
        return false;
      }
    }
    if (m_tempPath.empty()) return false;
  }
  if (!SameInode(m_fd, m_tempPath)) {
    m_tempPath.clear();  // another's file: left where it is
    errno = EEXIST;
    return false;
  }
  if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0) return false;
  m_tempPath.clear();
  Discard();
  return true;
}

}  // namespace platform
