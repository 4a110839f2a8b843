#include "paths.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <initializer_list>
#include <memory>
#include <vector>

std::string UpgradedName(const std::string& path) {
  const std::string::size_type dot = path.rfind('.');
  return (dot == std::string::npos ? path : path.substr(0, dot)) + "_upgraded.odb";
}

namespace {

// Where writing a path lands: the file itself when it exists, otherwise the folder it would
// be created in and the name it would have there.
struct FileLocation {
  bool known = false;  // false: nothing can be written there
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;   // of the file, or of its folder when the file does not exist
  std::string name;  // in that folder, when the file does not exist
};

std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::string::size_type slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

FileLocation LocationOf(std::string path) {
  FileLocation location;
  // Opening a dangling symbolic link for writing creates the file it points to, so such
  // links are followed as open() follows them (to the usual limit of links in a row).
  for (int links = 0; links < 40; ++links) {
    struct stat info;
    if (::stat(path.c_str(), &info) == 0) {
      location.known = true;
      location.exists = true;
      location.device = info.st_dev;
      location.inode = info.st_ino;
      return location;
    }
    if (::lstat(path.c_str(), &info) == 0) {
      if (!S_ISLNK(info.st_mode)) return location;
      std::vector<char> target(PATH_MAX + 1);
      const ssize_t length = ::readlink(path.c_str(), target.data(), target.size() - 1);
      if (length <= 0) return location;
      const std::string to(target.data(), static_cast<std::size_t>(length));
      path = to[0] == '/' ? to : FolderOf(path) + "/" + to;
      continue;
    }
    struct stat folder;
    const std::string name = NameOf(path);
    if (name.empty() || ::stat(FolderOf(path).c_str(), &folder) != 0) return location;
    location.known = true;
    location.device = folder.st_dev;
    location.inode = folder.st_ino;
    location.name = name;
    return location;
  }
  return location;
}

bool SameLocation(const FileLocation& a, const FileLocation& b) {
  return a.known && b.known && a.exists == b.exists && a.device == b.device &&
         a.inode == b.inode && a.name == b.name;
}

// The path with every symbolic link resolved, as SQLite names the files beside a database;
// empty when it cannot be resolved.
std::string ResolvedPath(const std::string& path) {
  std::unique_ptr<char, decltype(&::free)> resolved(::realpath(path.c_str(), nullptr), &::free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace

bool IsSameFile(const char* a, const char* b) {
  struct stat first;
  struct stat second;
  if (stat(a, &first) != 0 || stat(b, &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

namespace {
// Whether output lands on the database's path with one of the suffixes, spelled as given or
// with its links resolved.
bool WritesAnyOf(const std::string& output, const std::string& database,
                 std::initializer_list<const char*> suffixes) {
  const FileLocation written = LocationOf(output);
  if (!written.known) return false;
  std::vector<std::string> databaseNames = {database};
  const std::string resolved = ResolvedPath(database);
  if (!resolved.empty()) databaseNames.push_back(resolved);
  for (const std::string& name : databaseNames) {
    for (const char* suffix : suffixes) {
      if (SameLocation(written, LocationOf(name + suffix))) return true;
    }
  }
  return false;
}
}  // namespace

bool WritesCompanionFiles(const std::string& output, const std::string& database) {
  return WritesAnyOf(output, database, {"-journal", "-wal", "-shm"});
}

bool WritesDatabaseFiles(const std::string& output, const std::string& database) {
  return WritesAnyOf(output, database, {"", "-journal", "-wal", "-shm"});
}

bool IsPipeOrSocket(const char* path) {
  struct stat info;
  return ::stat(path, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}
