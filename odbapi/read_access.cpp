#include "read_access.h"

#include <cstdint>
#include <cstdio>
#include <memory>

#include "file_system.h"
#include "sqlite_handle.h"

namespace odbapi_detail {
namespace {

// True when the file's header says it is in write-ahead-log mode: bytes 18 and 19 of SQLite's
// header, the write and read versions, are 2 in that mode and 1 otherwise.
bool HeaderSaysWal(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(platform::OpenFile(path, "rb"), std::fclose);
  if (!file) return false;  // SQLite reports a file it cannot read when it opens it
  unsigned char header[20] = {};
  if (std::fread(header, 1, sizeof header, file.get()) != sizeof header) return false;
  return header[18] == 2 || header[19] == 2;
}

// True when a file exists at path and is not empty.
bool HoldsBytes(const std::string& path) {
  std::uint64_t size = 0;
  return platform::SizeOfFile(path, &size) && size > 0;
}

}  // namespace

ReadAccess ReadAccessOf(const std::string& path) {
  const std::string log = path + "-wal";
  if (HoldsBytes(log)) {
    Fail(path + ": cannot read the database without writing beside it: its write-ahead log " +
         log + " holds changes that are not yet in the file, and reading them would create or "
         "change " + path + "-shm; open the database once with a program that may write to it");
  }
  // SQLite opens a log that exists even when the header does not ask for one.
  if (!HeaderSaysWal(path) && !platform::Exists(log)) return ReadAccess::kShared;
  // An immutable read looks at no journal, so one that may belong to an unfinished write is
  // refused here; a shared read leaves that to SQLite, which can tell (see SqliteErrorText).
  if (HoldsBytes(path + "-journal")) FailUnfinishedWrite(path);
  return ReadAccess::kImmutable;
}

}  // namespace odbapi_detail
