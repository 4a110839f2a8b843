// The database format: its tables and columns, in one place.
#include <cctype>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ascii_case.h"
#include "odbapi_detail.h"

namespace odbapi_detail {
namespace {

struct TableDefinition {
  const char* name;
  const char* body;                  // the column list of CREATE TABLE
  std::vector<const char*> columns;  // the columns a reader needs
  // The layouts that have the table: every table but the meshes' is in both.
  bool inRows = true;
  bool inBlocks = true;
};

const std::vector<TableDefinition>& Tables() {
  static const std::vector<TableDefinition> tables = {
      {"instance", "id INTEGER PRIMARY KEY, name TEXT NOT NULL, embedded_space INTEGER NOT NULL",
       {"id", "name", "embedded_space"}},
      {"node",
       "instance_id INTEGER NOT NULL, seq INTEGER NOT NULL, label INTEGER NOT NULL, "
       "x REAL NOT NULL, y REAL NOT NULL, z REAL NOT NULL, PRIMARY KEY(instance_id, seq)",
       {"instance_id", "seq", "label", "x", "y", "z"},
       true,
       false},
      {"element",
       "instance_id INTEGER NOT NULL, seq INTEGER NOT NULL, label INTEGER NOT NULL, "
       "type TEXT NOT NULL, shape INTEGER NOT NULL, section_category TEXT NOT NULL DEFAULT '', "
       "connectivity BLOB NOT NULL, PRIMARY KEY(instance_id, seq)",
       {"instance_id", "seq", "label", "type", "shape", "section_category", "connectivity"},
       true,
       false},
      // An instance's nodes in blocks: labels are 4-byte integers, coordinates three 4-byte
      // floats per node, both little-endian.
      {"node_block",
       "instance_id INTEGER NOT NULL, seq INTEGER NOT NULL, labels BLOB NOT NULL, "
       "coordinates BLOB NOT NULL, PRIMARY KEY(instance_id, seq)",
       {"instance_id", "seq", "labels", "coordinates"},
       false,
       true},
      // A run of an instance's elements that share type, shape, section category and node
      // count: their labels, and node_count node labels per element in connectivity.
      {"element_block",
       "instance_id INTEGER NOT NULL, seq INTEGER NOT NULL, type TEXT NOT NULL, "
       "shape INTEGER NOT NULL, section_category TEXT NOT NULL DEFAULT '', "
       "node_count INTEGER NOT NULL, labels BLOB NOT NULL, connectivity BLOB NOT NULL, "
       "PRIMARY KEY(instance_id, seq)",
       {"instance_id", "seq", "type", "shape", "section_category", "node_count", "labels",
        "connectivity"},
       false,
       true},
      {"step", "id INTEGER PRIMARY KEY, name TEXT NOT NULL", {"id", "name"}},
      {"frame",
       "step_id INTEGER NOT NULL, seq INTEGER NOT NULL, description TEXT NOT NULL DEFAULT '', "
       "frame_value REAL NOT NULL DEFAULT 0, PRIMARY KEY(step_id, seq)",
       {"step_id", "seq", "description", "frame_value"}},
      {"field_output",
       "id INTEGER PRIMARY KEY, step_id INTEGER NOT NULL, frame_seq INTEGER NOT NULL, "
       "name TEXT NOT NULL, description TEXT NOT NULL DEFAULT '', type INTEGER NOT NULL, "
       "position INTEGER",
       {"id", "step_id", "frame_seq", "name", "description", "type", "position"}},
      {"bulk_block",
       "field_output_id INTEGER NOT NULL, seq INTEGER NOT NULL, instance TEXT NOT NULL DEFAULT '', "
       "element_type TEXT NOT NULL DEFAULT '', section_point TEXT NOT NULL DEFAULT '', "
       "width INTEGER NOT NULL, length INTEGER NOT NULL, element_count INTEGER NOT NULL DEFAULT 0, "
       "data BLOB NOT NULL, node_labels BLOB, element_labels BLOB, "
       "PRIMARY KEY(field_output_id, seq)",
       {"field_output_id", "seq", "instance", "element_type", "section_point", "width", "length",
        "element_count", "data", "node_labels", "element_labels"}},
  };
  return tables;
}

bool HasTable(const TableDefinition& table, MeshLayout layout) {
  return layout == MeshLayout::kBlocks ? table.inBlocks : table.inRows;
}

// Format 1 is format 2 without element.shape.
bool InFormat(const char* table, const char* column, int format) {
  return !(format == kPreviousFormat && std::string(table) == "element" &&
           std::string(column) == "shape");
}

// Whether a CREATE statement as SQLite keeps it creates a virtual table: its second word (after
// blanks and comments, which SQLite allows there) is VIRTUAL.
bool CreatesVirtualTable(std::string_view sql) {
  std::size_t at = 6;  // after CREATE, which SQLite requires to come first
  while (at < sql.size()) {
    if (std::isspace(static_cast<unsigned char>(sql[at]))) {
      ++at;
    } else if (sql.compare(at, 2, "--") == 0) {
      at = sql.find('\n', at);
    } else if (sql.compare(at, 2, "/*") == 0) {
      at = sql.find("*/", at + 2);
      if (at != std::string_view::npos) at += 2;
    } else {
      break;
    }
  }
  if (at >= sql.size()) return false;
  // SQLite's keywords are ASCII and match without regard to ASCII case only: the locale's
  // case rules (a Turkish dotted capital I) must not hide the keyword.
  constexpr std::string_view kVirtual = "VIRTUAL";
  const std::string_view word = sql.substr(at, kVirtual.size());
  const std::size_t after = at + word.size();
  const bool wordEnds = after >= sql.size() || !IsAsciiLetter(sql[after]);
  return wordEnds && EqualIgnoringAsciiCase(word, kVirtual);
}

// Reading a view or a virtual table runs whatever query or module stands behind it, and a
// virtual generated column computes its expression on every read: any of them could make a
// read run for ever (a recursive view never ends). Plain tables only hold stored rows.
// The schema table is read as stored, so that no view is compiled either: compiling a chain
// of views that each name the one before twice takes time exponential in its length.
void CheckPlainTables(const Connection& connection, MeshLayout layout) {
  // SQLite refuses a schema whose rows' types and names differ from what their statements
  // create, so these columns can be trusted; names match as SQLite matches them, ASCII letters
  // without regard to case.
  Statement kind(connection,
                 "SELECT type, sql FROM main.sqlite_master"
                 " WHERE name = ?1 COLLATE NOCASE AND type IN ('table', 'view')");
  Statement generated(connection,
                      "SELECT name FROM pragma_table_xinfo(?1, 'main') WHERE hidden = 2");
  for (const TableDefinition& table : Tables()) {
    if (!HasTable(table, layout)) continue;
    kind.reset();
    kind.bindText(1, table.name);
    if (!kind.step()) continue;  // missing: reported with the columns
    const std::string where = connection.path() + ": the table '" + table.name + "'";
    if (kind.columnTextView(0) == "view") Fail(where + " is a view, not a stored table");
    if (CreatesVirtualTable(kind.columnTextView(1))) {
      Fail(where + " is a virtual table, not a stored one");
    }
    generated.reset();
    generated.bindText(1, table.name);
    if (generated.step()) {
      Fail(where + " has a column '" + generated.columnText(0) +
           "' computed on every read, not a stored one");
    }
  }
}

}  // namespace

int ReadFormat(const Connection& connection) {
  Statement statement(connection, "PRAGMA user_version");
  if (!statement.step()) Fail(connection.path() + ": cannot read the format version");
  return static_cast<int>(statement.columnInt(0));
}

void FailUnknownFormat(const std::string& path, int format) {
  if (format == 0) {
    Fail(path + ": not an ODB database (format version 0; expected " +
         std::to_string(kCurrentFormat) + ")");
  }
  Fail(path + ": unsupported format version " + std::to_string(format) + " (expected " +
       std::to_string(kCurrentFormat) + ", or " + std::to_string(kPreviousFormat) +
       " for upgrading)");
}

MeshLayout MeshLayoutOf(const Connection& connection) {
  // Matched as SQLite matches names; a view of that name is refused by the schema check.
  Statement blocks(connection,
                   "SELECT 1 FROM main.sqlite_master WHERE name = 'node_block' COLLATE NOCASE"
                   " AND type IN ('table', 'view')");
  return blocks.step() ? MeshLayout::kBlocks : MeshLayout::kRows;
}

void CheckSchema(const Connection& connection, int format, MeshLayout layout) {
  CheckPlainTables(connection, layout);
  Statement statement(connection, "SELECT name FROM pragma_table_info(?1)");
  for (const TableDefinition& table : Tables()) {
    if (!HasTable(table, layout)) continue;
    statement.reset();
    statement.bindText(1, table.name);
    std::set<std::string> present;
    while (statement.step()) present.insert(statement.columnText(0));
    if (present.empty()) Fail(connection.path() + ": the table '" + table.name + "' is missing");
    for (const char* column : table.columns) {
      if (InFormat(table.name, column, format) && present.count(column) == 0) {
        Fail(connection.path() + ": the table '" + table.name + "' has no column '" + column + "'");
      }
    }
  }
}

std::string SchemaSql(int format, MeshLayout layout) {
  std::string sql;
  for (const TableDefinition& table : Tables()) {
    if (!HasTable(table, layout)) continue;
    std::string body = table.body;
    if (format == kPreviousFormat && std::string(table.name) == "element") {
      const std::string shape = "shape INTEGER NOT NULL, ";
      body.erase(body.find(shape), shape.size());
    }
    sql += "CREATE TABLE " + std::string(table.name) + "(" + body + ");\n";
  }
  return sql;
}

}  // namespace odbapi_detail
