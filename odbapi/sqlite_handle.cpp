#include "sqlite_handle.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include "file_system.h"
#include "odb_API.h"

namespace odbapi_detail {

void Fail(const std::string& message) { throw odb_Exception("odb_Exception", message); }

std::string UnfinishedWriteText(const std::string& path) {
  return path + ": cannot read the database without writing to it: an interrupted write left its "
         "journal " + path + "-journal beside it, and the file is whole only once that write is "
         "rolled back, which changes the file; open the database once with a program that may "
         "write to it";
}

void FailUnfinishedWrite(const std::string& path) { Fail(UnfinishedWriteText(path)); }

std::string SqliteErrorText(const std::string& path, sqlite3* db, int code, const std::string& what) {
  // A read-only connection that finds a hot journal cannot roll it back.
  if (code == SQLITE_READONLY_ROLLBACK) return UnfinishedWriteText(path);
  std::string detail;
  switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      detail = "the database is locked by another process";
      break;
    case SQLITE_NOTADB:
      detail = "the file is not a database";
      break;
    case SQLITE_CORRUPT:
      detail = "the database file is damaged";
      break;
    case SQLITE_CANTOPEN:
      detail = "the file cannot be opened";
      break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      detail = "permission denied";
      break;
    default:
      break;
  }
  std::string sqliteText = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  std::string text = path + ": " + what + ": ";
  if (detail.empty()) return text + sqliteText;
  return text + detail + " (" + sqliteText + ")";
}

namespace {

// The work a statement run may take: a generous number of steps per byte of the file (a row
// takes at least six bytes, and a run of the reader's statements no more than a few dozen
// steps per row), and a floor for the smallest files.
constexpr int kStepsPerCount = 1000;
constexpr std::int64_t kStepsPerByte = 64;
constexpr std::int64_t kBaseSteps = 10000000;

// SQLite's progress handler: counts for the statement run in progress and stops it beyond
// its limit.
int CountWork(void* data) {
  WorkLimit* limit = static_cast<WorkLimit*>(data);
  return limit->running != nullptr && ++*limit->running > limit->maxThousands ? 1 : 0;
}

// Makes counter the one that the connection's work is counted into while the object lives.
class CountingInto {
 public:
  CountingInto(WorkLimit* limit, std::int64_t* counter) : m_limit(limit) {
    if (m_limit != nullptr) m_previous = std::exchange(m_limit->running, counter);
  }
  ~CountingInto() {
    if (m_limit != nullptr) m_limit->running = m_previous;
  }
  CountingInto(const CountingInto&) = delete;
  CountingInto& operator=(const CountingInto&) = delete;

 private:
  WorkLimit* m_limit;
  std::int64_t* m_previous = nullptr;
};

bool Overran(const WorkLimit* limit, std::int64_t work) {
  return limit != nullptr && work > limit->maxThousands;
}

[[noreturn]] void FailOverrun(const std::string& path) {
  Fail(path + ": the database file is damaged: reading it takes far more work than a file of "
       "its size can hold (its pages are shared or looped)");
}

}  // namespace

std::string PlainFileName(const std::string& path) {
  // SQLite reads a name starting with "file:" as a URI when URIs are enabled, which they are by
  // default in some builds whatever the open flags say, and ":memory:" as a database in memory.
  // "./" in front keeps either one the relative path it spells.
  if (path == ":memory:" || path.compare(0, 5, "file:") == 0) return "./" + path;
  return path;
}

std::string ReadOnlyUri(const std::string& path, bool immutable) {
  static const char hex[] = "0123456789ABCDEF";
  const std::string name = PlainFileName(path);
  std::string uri = name.size() > 0 && name[0] == '/' ? "file://" : "file:";
  for (unsigned char c : name) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
        std::strchr("/-._~", c) != nullptr) {
      uri.push_back(static_cast<char>(c));
    } else {
      uri.push_back('%');
      uri.push_back(hex[c >> 4]);
      uri.push_back(hex[c & 15]);
    }
  }
  return uri + (immutable ? "?mode=ro&immutable=1" : "?mode=ro");
}

namespace {

// The report for a file name longer than SQLite's default file system takes, or empty when the
// name is not too long (or its full form cannot be made). SQLite needs the full name and room
// for the longest suffix it adds for the files beside it ("-journal").
std::string PathTooLongText(const std::string& path) {
  constexpr int kLongestSuffix = 8;
  sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
  if (vfs == nullptr || vfs->xFullPathname == nullptr) return std::string();
  const std::string name = PlainFileName(path);
  std::string full(name.size() + 65536, '\0');
  const int code = vfs->xFullPathname(vfs, name.c_str(), static_cast<int>(full.size()), &full[0]);
  if ((code & 0xff) != SQLITE_OK) return std::string();
  const std::size_t length = std::strlen(full.c_str());
  const int limit = vfs->mxPathname - kLongestSuffix;
  if (static_cast<std::int64_t>(length) <= limit) return std::string();
  return path + ": cannot open the database: the path is too long: " + std::to_string(length) +
         " bytes as a full path, and SQLite takes at most " + std::to_string(limit);
}

}  // namespace

Connection::Connection(const std::string& path, int flags)
    : Connection(path, PlainFileName(path), flags) {}

Connection::Connection(const std::string& path, const std::string& sqliteName, int flags)
    : m_path(path) {
  sqlite3* db = nullptr;
  int code = sqlite3_open_v2(sqliteName.c_str(), &db, flags, nullptr);
  if (code != SQLITE_OK) {
    std::string text = (code & 0xff) == SQLITE_CANTOPEN ? PathTooLongText(path) : std::string();
    if (text.empty()) text = SqliteErrorText(path, db, code, "cannot open the database");
    sqlite3_close_v2(db);
    Fail(text);
  }
  m_db = db;
  sqlite3_extended_result_codes(m_db, 1);
}

Connection::~Connection() { close(); }

Connection::Connection(Connection&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr)),
      m_path(std::move(other.m_path)),
      m_limit(std::move(other.m_limit)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    close();
    m_db = std::exchange(other.m_db, nullptr);
    m_path = std::move(other.m_path);
    m_limit = std::move(other.m_limit);
  }
  return *this;
}

void Connection::limitWork(std::int64_t fileBytes) {
  if (m_db == nullptr) return;
  if (!m_limit) m_limit = std::make_unique<WorkLimit>();
  m_limit->maxThousands =
      (kStepsPerByte * std::max<std::int64_t>(fileBytes, 0) + kBaseSteps) / kStepsPerCount;
  sqlite3_progress_handler(m_db, kStepsPerCount, CountWork, m_limit.get());
}

void Connection::close() noexcept {
  if (m_db != nullptr) {
    // close_v2 defers the close until every statement is finalised, so it cannot fail here.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
  }
}

void Connection::exec(const std::string& sql, const char* what) const {
  if (m_db == nullptr) Fail(m_path + ": the database is closed");
  char* error = nullptr;
  int code = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error);
  if (code != SQLITE_OK) {
    std::string text = m_path + ": " + what + ": " + (error != nullptr ? error : sqlite3_errstr(code));
    sqlite3_free(error);
    Fail(text);
  }
}

std::int64_t CheckWholePages(const Connection& connection) {
  const std::string& path = connection.path();
  // The page size is the file's only once its first page has been read; until then it is
  // SQLite's default. Reading the header also refuses a file that is no database at all.
  Statement(connection, "PRAGMA user_version").step();
  std::int64_t pageSize = 0;
  {
    Statement statement(connection, "PRAGMA page_size");
    if (statement.step()) pageSize = statement.columnInt(0);
  }
  std::uint64_t size = 0;
  if (!platform::SizeOfFile(path, &size)) {
    Fail(path + ": cannot access the file: " + std::strerror(errno));
  }
  // SQLite reads a page cut short as if its missing bytes were zeros.
  if (pageSize <= 0 || size % static_cast<std::uint64_t>(pageSize) != 0) {
    Fail(path + ": the database file is damaged: its size, " + std::to_string(size) +
         " bytes, is not a whole number of its " + std::to_string(pageSize) + "-byte pages");
  }
  return static_cast<std::int64_t>(size);
}

Statement::Statement(const Connection& connection, const std::string& sql)
    : m_db(connection.get()), m_path(connection.path()), m_limit(connection.workLimit()) {
  if (m_db == nullptr) Fail(m_path + ": the database is closed");
  int code = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &m_stmt, nullptr);
  if (code != SQLITE_OK) {
    sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    Fail(SqliteErrorText(m_path, m_db, code, "cannot read the database"));
  }
}

Statement::~Statement() {
  if (m_stmt != nullptr) sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr)),
      m_db(std::exchange(other.m_db, nullptr)),
      m_path(std::move(other.m_path)),
      m_limit(std::exchange(other.m_limit, nullptr)),
      m_work(std::exchange(other.m_work, 0)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    if (m_stmt != nullptr) sqlite3_finalize(m_stmt);
    m_stmt = std::exchange(other.m_stmt, nullptr);
    m_db = std::exchange(other.m_db, nullptr);
    m_path = std::move(other.m_path);
    m_limit = std::exchange(other.m_limit, nullptr);
    m_work = std::exchange(other.m_work, 0);
  }
  return *this;
}

bool Statement::step() {
  int code = SQLITE_OK;
  {
    CountingInto counting(m_limit, &m_work);
    code = sqlite3_step(m_stmt);
  }
  if (code == SQLITE_ROW) return true;
  // The run has ended; a later step starts the statement again.
  const bool overran = Overran(m_limit, m_work);
  m_work = 0;
  if (code == SQLITE_DONE) return false;
  if (overran) FailOverrun(m_path);
  Fail(SqliteErrorText(m_path, m_db, code, "cannot read the database"));
}

void Statement::reset() {
  m_work = 0;
  sqlite3_reset(m_stmt);
  sqlite3_clear_bindings(m_stmt);
}

namespace {
void CheckBind(int code, sqlite3* db, const std::string& path) {
  if (code != SQLITE_OK) Fail(SqliteErrorText(path, db, code, "cannot bind a value"));
}
}  // namespace

void Statement::bindInt(int index, std::int64_t value) {
  CheckBind(sqlite3_bind_int64(m_stmt, index, value), m_db, m_path);
}
void Statement::bindDouble(int index, double value) {
  CheckBind(sqlite3_bind_double(m_stmt, index, value), m_db, m_path);
}
void Statement::bindText(int index, const std::string& value) {
  CheckBind(sqlite3_bind_text64(m_stmt, index, value.data(), value.size(), SQLITE_TRANSIENT, SQLITE_UTF8),
            m_db, m_path);
}
void Statement::bindBlob(int index, const void* data, std::size_t bytes) {
  // A zero-length blob must still be a BLOB, not NULL, so never pass a null pointer.
  static const char empty = 0;
  CheckBind(sqlite3_bind_blob64(m_stmt, index, bytes == 0 ? &empty : data, bytes, SQLITE_STATIC),
            m_db, m_path);
}
void Statement::bindNull(int index) { CheckBind(sqlite3_bind_null(m_stmt, index), m_db, m_path); }

std::string Statement::columnText(int column) const { return std::string(columnTextView(column)); }

std::string_view Statement::columnTextView(int column) const {
  const unsigned char* text = sqlite3_column_text(m_stmt, column);
  if (text == nullptr) return std::string_view();
  return std::string_view(reinterpret_cast<const char*>(text), columnBytes(column));
}

}  // namespace odbapi_detail
