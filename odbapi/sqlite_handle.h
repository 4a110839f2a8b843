// Move-only owners of a SQLite connection and a prepared statement. Errors become
// odb_Exception with a text that starts with the database's path.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace odbapi_detail {

// Throws odb_Exception("odb_Exception", message).
[[noreturn]] void Fail(const std::string& message);

// "<path>: <what>: <SQLite's text for code>", with a plain phrase for the common codes.
std::string SqliteErrorText(const std::string& path, sqlite3* db, int code, const std::string& what);

// The name under which SQLite opens path as that very file, byte for byte: never as a URI or
// as a database in memory.
std::string PlainFileName(const std::string& path);

// A URI (for SQLITE_OPEN_URI or ATTACH) that opens the file path read-only, and with immutable
// as a file that nobody changes: SQLite then reads that file alone, with no lock, log or journal.
std::string ReadOnlyUri(const std::string& path, bool immutable);

// The report for a database beside which an interrupted write left its journal: SQLite would
// roll that write back before reading, which changes the file.
std::string UnfinishedWriteText(const std::string& path);
[[noreturn]] void FailUnfinishedWrite(const std::string& path);

// The work that one run of a statement (from its first step to its end or reset) may take,
// counted in thousands of SQLite's virtual-machine steps while a statement of the connection
// steps. A run over stored rows takes steps in proportion to the rows it visits, and the rows
// of a file in proportion to its size; only pages shared or looped by a crafted file, which
// SQLite follows as often as they are named, make more.
struct WorkLimit {
  std::int64_t maxThousands = 0;
  std::int64_t* running = nullptr;  // the counter of the statement run in progress
};

class Connection {
 public:
  Connection() = default;
  // Opens the file path (never a URI, even with SQLITE_OPEN_URI, which only lets ATTACH take
  // one) with the given sqlite3_open_v2 flags; throws naming the path on failure.
  Connection(const std::string& path, int flags);
  // Opens path under the name sqliteName (a URI with SQLITE_OPEN_URI); reports name path.
  Connection(const std::string& path, const std::string& sqliteName, int flags);
  ~Connection();
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* get() const { return m_db; }
  const std::string& path() const { return m_path; }
  bool isOpen() const { return m_db != nullptr; }
  void close() noexcept;
  // Runs one or more statements that return no rows.
  void exec(const std::string& sql, const char* what) const;
  // Lets every later run of a Statement take work in proportion to a file of the given size,
  // and fail as damage beyond that.
  void limitWork(std::int64_t fileBytes);
  WorkLimit* workLimit() const { return m_limit.get(); }

 private:
  sqlite3* m_db = nullptr;
  std::string m_path;
  std::unique_ptr<WorkLimit> m_limit;  // SQLite's handler keeps its address
};

// Throws, naming the file, when its size is not a whole number of its pages: a file cut inside
// its last page would otherwise read with zeros in place of what was cut off. Returns the size.
std::int64_t CheckWholePages(const Connection& connection);

class Statement {
 public:
  Statement() = default;
  Statement(const Connection& connection, const std::string& sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // True when a row is available, false when done; throws on error.
  bool step();
  void reset();
  void bindInt(int index, std::int64_t value);
  void bindDouble(int index, double value);
  void bindText(int index, const std::string& value);
  void bindBlob(int index, const void* data, std::size_t bytes);
  void bindNull(int index);

  int columnType(int column) const { return sqlite3_column_type(m_stmt, column); }
  std::int64_t columnInt(int column) const { return sqlite3_column_int64(m_stmt, column); }
  double columnDouble(int column) const { return sqlite3_column_double(m_stmt, column); }
  // NULL reads as the empty text.
  std::string columnText(int column) const;
  // The same text without a copy, valid until the statement steps or is reset.
  std::string_view columnTextView(int column) const;
  const void* columnBlob(int column) const { return sqlite3_column_blob(m_stmt, column); }
  std::size_t columnBytes(int column) const {
    return static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column));
  }

 private:
  sqlite3_stmt* m_stmt = nullptr;
  sqlite3* m_db = nullptr;
  std::string m_path;
  WorkLimit* m_limit = nullptr;
  std::int64_t m_work = 0;  // of the run in progress
};

}  // namespace odbapi_detail
