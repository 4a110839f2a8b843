// How a database file is opened so that reading it creates and changes nothing beside it.
#pragma once

#include <string>

namespace odbapi_detail {

enum class ReadAccess {
  // SQLite's usual read-only access with shared locks: a rollback-journal database, which SQLite
  // reads without touching any other file.
  kShared,
  // As a file that nobody changes (SQLite's immutable=1): a write-ahead-log database, or one with
  // a log beside it, whose log holds nothing. SQLite would otherwise create or update the log and
  // its index (-wal, -shm) to read it.
  kImmutable,
};

// The access that reads the file at path without writing, checked against the files SQLite
// keeps beside it. Throws, naming the file and why, when no access can: a log that holds changes
// not yet in the file, or (for an immutable read) a journal of a write that may be unfinished.
ReadAccess ReadAccessOf(const std::string& path);

}  // namespace odbapi_detail
