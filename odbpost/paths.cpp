#include "paths.h"

#include <initializer_list>
#include <vector>

#include "ascii_case.h"
#include "file_system.h"

namespace {

// Where writing a path lands: the file itself when it exists, otherwise the folder it would
// be created in and the name it would have there.
struct FileLocation {
  bool known = false;  // false: nothing can be written there
  bool exists = false;
  platform::FileId id;  // of the file, or of its folder when the file does not exist
  std::string name;     // in that folder, when the file does not exist
};

// The last folder separator: Windows takes backslashes as well as slashes.
std::string::size_type LastSeparator(const std::string& path) {
#ifdef _WIN32
  return path.find_last_of("/\\");
#else
  return path.rfind('/');
#endif
}

std::string FolderOf(const std::string& path) {
  const std::string::size_type slash = LastSeparator(path);
  if (slash == std::string::npos) return ".";
#ifdef _WIN32
  // The root of a drive keeps its separator: the folder of D:\a.odb is D:\, not D:.
  if (slash == 2 && path[1] == ':') return path.substr(0, 3);
#endif
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::string::size_type slash = LastSeparator(path);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string UpgradedName(const std::string& path) {
  // Only the file name loses its extension: a '.' in a folder name, or one that starts the
  // name (".hidden", "./beam"), must not move the copy out of the input's folder.
  const std::string::size_type slash = LastSeparator(path);
  const std::string::size_type start = slash == std::string::npos ? 0 : slash + 1;
  const std::string::size_type dot = path.rfind('.');
  const bool cut = dot != std::string::npos && dot > start;
  return (cut ? path.substr(0, dot) : path) + "_upgraded.odb";
}

namespace {

// Names in one folder: Windows' file systems ignore the case of letters.
bool SameName(const std::string& a, const std::string& b) {
#ifdef _WIN32
  return EqualIgnoringAsciiCase(a, b);
#else
  return a == b;
#endif
}

FileLocation LocationOf(std::string path) {
  FileLocation location;
  // Opening a dangling symbolic link for writing creates the file it points to, so such
  // links are followed as open() follows them (to the usual limit of links in a row).
  for (int links = 0; links < 40; ++links) {
    if (platform::IdentityOf(path, &location.id)) {
      location.known = true;
      location.exists = true;
      return location;
    }
    std::string to;
    const platform::EntryKind entry = platform::EntryAt(path, &to);
    if (entry == platform::EntryKind::kOther) return location;
    if (entry == platform::EntryKind::kSymbolicLink) {
      path = to[0] == '/' ? to : FolderOf(path) + "/" + to;
      continue;
    }
    const std::string name = NameOf(path);
    if (name.empty() || !platform::IdentityOf(FolderOf(path), &location.id)) return location;
    location.known = true;
    location.name = name;
    return location;
  }
  return location;
}

bool SameLocation(const FileLocation& a, const FileLocation& b) {
  return a.known && b.known && a.exists == b.exists && a.id == b.id && SameName(a.name, b.name);
}

// Whether output lands on the database's path with one of the suffixes, spelled as given or
// with its links resolved.
bool WritesAnyOf(const std::string& output, const std::string& database,
                 std::initializer_list<const char*> suffixes) {
  const FileLocation written = LocationOf(output);
  if (!written.known) return false;
  std::vector<std::string> databaseNames = {database};
  // SQLite names the files beside a database after its path with every link resolved.
  std::string resolved;
  if (platform::ResolvedPath(database, &resolved)) databaseNames.push_back(resolved);
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

bool IsWritableOutput(const std::string& input, const std::string& output) {
  return output.find('\0') == std::string::npos && !WritesDatabaseFiles(output, input) &&
         !WritesCompanionFiles(output, UpgradedName(input)) && !platform::IsPipeOrSocket(output);
}
