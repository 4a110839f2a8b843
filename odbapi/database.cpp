// The open database behind the stand-in: a read-only connection, checked on opening.
#include <cerrno>
#include <cstring>
#include <set>
#include <string>

#include "file_system.h"
#include "odbapi_detail.h"
#include "read_access.h"

namespace odbapi_detail {

Connection OpenReadOnly(const std::string& path) {
  platform::FileKind kind;
  if (!platform::KindOfFile(path, &kind)) {
    if (errno == ENOENT || errno == ENOTDIR) Fail(path + ": no such file");
    Fail(path + ": cannot access the file: " + std::strerror(errno));
  }
  if (kind == platform::FileKind::kDirectory) Fail(path + ": is a directory, not a database file");
  if (kind != platform::FileKind::kRegular) Fail(path + ": is not a regular file");
  if (!platform::IsReadable(path)) {
    Fail(path + ": the file cannot be read: " + std::strerror(errno));
  }
  // Read-only whatever the caller asks for, and so that nothing beside the file is created or
  // changed: the stand-in never changes a database. A connection is only ever used by the
  // thread that runs the conversion, so SQLite need not lock it on every call (a lock pair per
  // column read is a visible share of reading a mesh).
  const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
  Connection connection =
      ReadAccessOf(path) == ReadAccess::kImmutable
          ? Connection(path, ReadOnlyUri(path, true), flags | SQLITE_OPEN_URI)
          : Connection(path, flags);
  sqlite3_busy_timeout(connection.get(), 100);
  connection.limitWork(CheckWholePages(connection));
  return connection;
}

std::shared_ptr<Database> Database::Open(const std::string& path) {
  Connection connection = OpenReadOnly(path);
  int format = ReadFormat(connection);
  if (format == kPreviousFormat) {
    Fail(path + ": the database is in the previous format (version " +
         std::to_string(kPreviousFormat) + ") and must be upgraded with upgradeOdb before it is opened");
  }
  if (format != kCurrentFormat) FailUnknownFormat(path, format);
  const MeshLayout layout = MeshLayoutOf(connection);
  CheckSchema(connection, kCurrentFormat, layout);

  // The first of SQLite's names for the rowid that no column of bulk_block takes for itself.
  std::set<std::string> columns;
  {
    Statement statement(connection, "SELECT lower(name) FROM pragma_table_info('bulk_block')");
    while (statement.step()) columns.insert(statement.columnText(0));
  }
  std::string rowidName;
  for (const char* name : {"rowid", "_rowid_", "oid"}) {
    if (columns.count(name) == 0) {
      rowidName = name;
      break;
    }
  }
  // Older files have no precision column: all their blocks are single precision.
  const bool hasPrecision = columns.count("precision") != 0;
  // Nor a component_labels column: their blocks store no labels.
  const bool hasComponentLabels = columns.count("component_labels") != 0;
  return std::shared_ptr<Database>(
      new Database(std::move(connection), layout == MeshLayout::kBlocks, std::move(rowidName),
                   hasPrecision, hasComponentLabels));
}

const Connection& Database::connection() const {
  if (!m_connection.isOpen()) Fail(path() + ": the database has been closed (odb_finalizeAPI)");
  return m_connection;
}

const Database::InstanceInfo* Database::findInstance(const std::string& name) const {
  auto found = m_instances.find(name);
  return found == m_instances.end() ? nullptr : &found->second;
}

}  // namespace odbapi_detail
