// Every inconsistency is an odb_Exception whose text names the file and the problem, raised
// when the data is read.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <vector>

#include "odb_builder.h"
#include "test_support.h"

using odbtest::ApiSession;
using odbtest::OdbErrorOf;
using testplatform::ScratchDir;

namespace {

// A small valid model: instance P with two nodes and one element, step S with one frame,
// field outputs U (nodal, one block) and S (per element, one block).
odbapi::OdbBuilder SmallModel(odbapi::MeshLayout layout = odbapi::MeshLayout::kRows) {
  odbapi::OdbBuilder builder;
  builder.layout(layout);
  builder.instance("P")
      .node(1, 0, 0, 0)
      .node(2, 1, 0, 0)
      .element(1, "T3D2", {1, 2})
      .step("S")
      .frame()
      .field("U", 3, 1)
      .nodal("P", 3, {1, 2}, {1, 2, 3, 4, 5, 6})
      .field("S", 5, 3)
      .elemental("P", "T3D2", "", 6, 1, {1, 1}, std::vector<float>(12, 1.0f));
  return builder;
}

// Views chain_1 to chain_40, each naming the one before twice: compiling the last one would
// take time exponential in the length of the chain.
std::vector<const char*> ViewChain() {
  static std::vector<std::string> statements;
  if (statements.empty()) {
    statements.push_back("CREATE VIEW chain_0 AS SELECT 1 AS a");
    for (int k = 1; k <= 40; ++k) {
      const std::string before = "chain_" + std::to_string(k - 1);
      statements.push_back("CREATE VIEW chain_" + std::to_string(k) + " AS SELECT x.a AS a FROM " +
                           before + " x, " + before + " y WHERE x.a = y.a");
    }
  }
  std::vector<const char*> sql;
  for (const std::string& statement : statements) sql.push_back(statement.c_str());
  return sql;
}

enum class ReadStage { Open, Nodes, Elements, NodalBlocks, ElementBlocks };

// Opens the database and reads up to the given stage.
void ReadUpTo(const std::string& path, ReadStage stage) {
  odb_Odb& odb = openOdb(path.c_str(), false);
  const odb_Instance& instance = odb.rootAssembly().instances()["P"];
  odb_Frame& frame = odb.steps()["S"].frames()[0];
  switch (stage) {
    case ReadStage::Open:
      break;
    case ReadStage::Nodes:
      instance.nodes();
      break;
    case ReadStage::Elements:
      instance.elements();
      break;
    case ReadStage::NodalBlocks:
      frame.fieldOutputs()["U"].bulkDataBlocks();
      break;
    case ReadStage::ElementBlocks:
      frame.fieldOutputs()["S"].bulkDataBlocks();
      break;
  }
}

struct BadData {
  const char* name;
  std::vector<const char*> sql;
  ReadStage stage;
  const char* expected;  // part of the report text besides the path
  odbapi::MeshLayout layout = odbapi::MeshLayout::kRows;
};

constexpr odbapi::MeshLayout kBlocks = odbapi::MeshLayout::kBlocks;

const BadData kBadData[] = {
    {"short data blob", {"UPDATE bulk_block SET data = zeroblob(10) WHERE field_output_id = 2"},
     ReadStage::ElementBlocks,
     "field output 'S' (step 'S', frame 0), block 0: data holds 10 bytes, expected 48 for 2 rows of width 6"},
    {"huge length with a short blob",
     {"UPDATE bulk_block SET length = 2147483647, width = 2147483647 WHERE field_output_id = 1"},
     ReadStage::NodalBlocks, "data holds 24 bytes, expected 18446744056529682436 for 2147483647 rows"},
    {"length beyond 32 bits", {"UPDATE bulk_block SET length = 4294967298 WHERE field_output_id = 1"},
     ReadStage::NodalBlocks, "length 4294967298 is too large"},
    {"negative length", {"UPDATE bulk_block SET length = -2 WHERE field_output_id = 1"},
     ReadStage::NodalBlocks, "negative length -2"},
    {"negative width", {"UPDATE bulk_block SET width = -3 WHERE field_output_id = 1"},
     ReadStage::NodalBlocks, "negative width -3"},
    {"negative element count", {"UPDATE bulk_block SET element_count = -1 WHERE field_output_id = 2"},
     ReadStage::ElementBlocks, "negative element count -1"},
    {"node labels too short", {"UPDATE bulk_block SET node_labels = zeroblob(4) WHERE field_output_id = 1"},
     ReadStage::NodalBlocks, "node_labels holds 4 bytes, expected 8 for 2 rows"},
    {"element labels too long",
     {"UPDATE bulk_block SET element_labels = zeroblob(12) WHERE field_output_id = 2"},
     ReadStage::ElementBlocks, "element_labels holds 12 bytes, expected 8 for 2 rows"},
    {"data as text", {"UPDATE bulk_block SET data = 'abc' WHERE field_output_id = 1"},
     ReadStage::NodalBlocks, "data is not a BLOB"},
    {"width as text", {"UPDATE bulk_block SET width = 'wide' WHERE field_output_id = 1"},
     ReadStage::NodalBlocks, "width is not an integer"},
    {"connectivity not whole ints", {"UPDATE element SET connectivity = zeroblob(7)"},
     ReadStage::Elements, "connectivity holds 7 bytes, not a whole number of 4-byte node labels"},
    {"element label as text", {"UPDATE element SET label = 'one'"}, ReadStage::Elements,
     "label is not an integer"},
    {"node label beyond 32 bits", {"UPDATE node SET label = 5000000000 WHERE seq = 1"},
     ReadStage::Nodes, "label 5000000000 is outside the 32-bit range"},
    {"coordinate as text", {"UPDATE node SET y = 'north' WHERE seq = 0"}, ReadStage::Nodes,
     "y is not a number"},
    {"node labels not whole ints", {"UPDATE node_block SET labels = zeroblob(7)"}, ReadStage::Nodes,
     "instance 'P', node block 0: labels holds 7 bytes, not a whole number of 4-byte node labels",
     kBlocks},
    {"coordinates short of the labels", {"UPDATE node_block SET coordinates = zeroblob(12)"},
     ReadStage::Nodes, "node block 0: coordinates holds 12 bytes, expected 24 for 2 nodes", kBlocks},
    {"connectivity short of the node count", {"UPDATE element_block SET node_count = 3"},
     ReadStage::Elements,
     "element block 0: connectivity holds 8 bytes, expected 12 for 1 elements of 3 nodes", kBlocks},
    {"element shape as text", {"UPDATE element_block SET shape = 'line'"}, ReadStage::Elements,
     "element block 0: shape is not an integer", kBlocks},
    {"node blocks as a view",
     {"ALTER TABLE node_block RENAME TO node_rows", "CREATE VIEW node_block AS SELECT * FROM node_rows"},
     ReadStage::Open, "the table 'node_block' is a view, not a stored table", kBlocks},
    {"field output without a frame", {"UPDATE field_output SET frame_seq = 7 WHERE name = 'S'"},
     ReadStage::Open, "field output 'S' (id 2) has no frame: there is no frame seq 7 of step id 1"},
    {"frame without a step", {"INSERT INTO frame(step_id, seq) VALUES(5, 0)"}, ReadStage::Open,
     "frame seq 0 of step id 5: there is no step with that id"},
    {"repeated instance name", {"INSERT INTO instance(id, name, embedded_space) VALUES(9, 'P', 0)"},
     ReadStage::Open, "the instance name 'P' appears more than once"},
    {"repeated step name", {"INSERT INTO step(id, name) VALUES(9, 'S')"}, ReadStage::Open,
     "the step name 'S' appears more than once"},
    {"repeated field output name",
     {"INSERT INTO field_output(id, step_id, frame_seq, name, type) VALUES(9, 1, 0, 'U', 3)"},
     ReadStage::Open, "the field output name 'U' appears more than once in frame 0 of step 'S'"},
    // Tables whose rows a query, a module or an expression makes when they are read: any of
    // them could make reading run for ever, as the recursive view does.
    {"a view in place of a table",
     {"ALTER TABLE node RENAME TO node_rows", "CREATE VIEW node AS SELECT * FROM node_rows"},
     ReadStage::Open, "the table 'node' is a view, not a stored table"},
    {"a recursive view that never ends",
     {"ALTER TABLE step RENAME TO step_rows",
      "CREATE VIEW STEP(id, name) AS WITH RECURSIVE r(id, name) AS (SELECT 1, 'S' UNION ALL"
      " SELECT id + 1, name FROM r) SELECT * FROM r"},
     ReadStage::Open, "the table 'step' is a view, not a stored table"},
    {"a view that would take for ever to compile",
     [] {
       std::vector<const char*> sql = ViewChain();
       sql.push_back("DROP TABLE instance");
       sql.push_back("CREATE VIEW Instance(id, name, embedded_space) AS SELECT 1, 'P', a FROM chain_40");
       return sql;
     }(),
     ReadStage::Open, "the table 'instance' is a view, not a stored table"},
    {"a virtual table hidden behind a comment",
     {"DROP TABLE frame",
      "CREATE /* a comment */ -- and another\n VIRTUAL TABLE frame USING fts5(step_id, seq)"},
     ReadStage::Open, "the table 'frame' is a virtual table, not a stored one"},
    {"a virtual table",
     {"DROP TABLE frame", "CREATE VIRTUAL TABLE frame USING fts5(step_id, seq, description, frame_value)"},
     ReadStage::Open, "the table 'frame' is a virtual table, not a stored one"},
    {"a column computed on every read",
     {"ALTER TABLE bulk_block ADD COLUMN spare AS (printf('%.*c', 100000000, 'x'))"},
     ReadStage::Open, "the table 'bulk_block' has a column 'spare' computed on every read"},
    {"missing table", {"DROP TABLE frame"}, ReadStage::Open, "the table 'frame' is missing"},
    {"missing column", {"ALTER TABLE bulk_block DROP COLUMN element_labels"}, ReadStage::Open,
     "the table 'bulk_block' has no column 'element_labels'"},
    {"unknown format", {"PRAGMA user_version = 7"}, ReadStage::Open,
     "unsupported format version 7 (expected 2"},
    {"no format", {"PRAGMA user_version = 0"}, ReadStage::Open, "not an ODB database (format version 0"},
};

}  // namespace

TEST(BadInput, EveryInconsistencyNamesFileAndProblem) {
  ScratchDir dir;
  ApiSession session;
  int n = 0;
  for (const BadData& bad : kBadData) {
    SCOPED_TRACE(bad.name);
    const std::string path = dir.file("bad" + std::to_string(n++) + ".odb");
    odbapi::OdbBuilder builder = SmallModel(bad.layout);
    for (const char* sql : bad.sql) builder.sql(sql);
    builder.write(path);
    // The stages before the bad one read cleanly: the error is raised when the data is read.
    if (bad.stage != ReadStage::Open) {
      EXPECT_NO_THROW(openOdb(path.c_str()));
    }
    const std::string text = OdbErrorOf([&] { ReadUpTo(path, bad.stage); });
    EXPECT_EQ(text.rfind(path + ": ", 0), 0u) << text;
    EXPECT_NE(text.find(bad.expected), std::string::npos) << text;
  }
}

// Views that the reader does not use are never compiled, however long that would take.
TEST(BadInput, ViewsBesideTheTablesAreLeftAlone) {
  ScratchDir dir;
  ApiSession session;
  const std::string path = dir.file("chain.odb");
  odbapi::OdbBuilder builder = SmallModel();
  for (const char* sql : ViewChain()) builder.sql(sql);
  builder.write(path);
  for (ReadStage stage : {ReadStage::Nodes, ReadStage::Elements, ReadStage::NodalBlocks,
                          ReadStage::ElementBlocks}) {
    EXPECT_NO_THROW(ReadUpTo(path, stage));
  }
  EXPECT_FALSE(isUpgradeRequiredForOdb(path.c_str()));
}

// A file whose node table, of 10000 rows without a key, has interior pages that name one
// page at every child, in a chain nine pages deep: SQLite reads a page as often as it is named,
// so the table reads as some 10^15 rows.
void WriteSharedPages(const std::string& path, int format) {
  constexpr int kPage = 512;
  odbapi::OdbBuilder builder = SmallModel();
  builder.format(format)
      .sql("DROP TABLE node")
      .sql("CREATE TABLE node(instance_id, seq, label, x, y, z)")
      .sql("INSERT INTO node WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r"
           " WHERE n < 10000) SELECT 1, n, n, 0.0, 0.0, 0.0 FROM r");
  builder.write(path, kPage);
  int root = 0;
  {
    sqlite3* db = nullptr;
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = 'node'", -1,
                                 &statement, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    root = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
  }
  std::vector<char> bytes = odbtest::FileBytes(path);
  auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
  auto read4 = [&](std::size_t at) {
    return (byte(at) << 24) | (byte(at + 1) << 16) | (byte(at + 2) << 8) | byte(at + 3);
  };
  auto write4 = [&](std::size_t at, int value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
  };
  auto start = [&](int page) { return static_cast<std::size_t>(page - 1) * kPage; };
  auto isInterior = [&](int page) { return byte(start(page)) == 0x05; };
  auto cellCount = [&](int page) { return (byte(start(page) + 3) << 8) | byte(start(page) + 4); };
  auto childAt = [&](int page, int cell) {  // a cell's child pointer
    const std::size_t pointer = start(page) + 12 + 2 * cell;
    return start(page) + ((byte(pointer) << 8) | byte(pointer + 1));
  };
  // The chain: the root, then interior pages that are the root's children.
  ASSERT_TRUE(isInterior(root));
  std::vector<int> chain = {root};
  for (int cell = 0; cell < cellCount(root) && chain.size() < 9; ++cell) {
    if (isInterior(read4(childAt(root, cell)))) chain.push_back(read4(childAt(root, cell)));
  }
  ASSERT_EQ(chain.size(), 9u);
  chain.push_back(read4(childAt(chain.back(), 0)));  // a leaf at the end
  for (std::size_t k = 0; k + 1 < chain.size(); ++k) {
    for (int cell = 0; cell < cellCount(chain[k]); ++cell) write4(childAt(chain[k], cell), chain[k + 1]);
    write4(start(chain[k]) + 8, chain[k + 1]);  // the rightmost child
  }
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

// Reading takes work in proportion to the file's size, whatever its pages name. The upgrade
// copies into tables with keys, so the first row read again ends it.
TEST(BadInput, SharedPagesDoNotMakeReadingEndless) {
  ScratchDir dir;
  ApiSession session;
  const std::string shared = dir.file("shared.odb");
  WriteSharedPages(shared, 2);
  const std::string sharedOld = dir.file("shared-old.odb");
  WriteSharedPages(sharedOld, 1);
  const char* expected = ": the database file is damaged: reading it takes far more work";

  std::string report = OdbErrorOf([&] { ReadUpTo(shared, ReadStage::Nodes); });
  EXPECT_EQ(report.rfind(shared + expected, 0), 0u) << report;
  report = OdbErrorOf([&] { upgradeOdb(sharedOld.c_str(), dir.file("up.odb").c_str()); });
  EXPECT_NE(report.find("UNIQUE constraint failed: node.instance_id, node.seq"), std::string::npos)
      << report;
  EXPECT_FALSE(odbtest::FileExists(dir.file("up.odb")));
}

TEST(BadInput, FilesThatAreNoDatabase) {
  ScratchDir dir;
  ApiSession session;
  const std::string text = dir.file("notes.odb");
  std::ofstream(text) << "This is not a database, only some text that is long enough to look like a header.\n";
  const std::string old = dir.file("old.odb");
  SmallModel().format(1).write(old);
  // Cut inside its last page, which SQLite would read as if the lost bytes were zeros.
  const std::string cut = dir.file("cut.odb");
  SmallModel().write(cut);
  const std::vector<char> whole = odbtest::FileBytes(cut);
  std::ofstream(cut, std::ios::binary | std::ios::trunc).write(whole.data(), whole.size() - 100);
  // A path that the file system takes but SQLite's file names cannot hold.
  std::string longPath = dir.path();
  for (int k = 0; k < 5; ++k) longPath += "/" + std::string(100, 'd');
  std::filesystem::create_directories(longPath);
  longPath += "/long.odb";
  std::filesystem::copy_file(old, longPath);
  const std::string cutOld = dir.file("cut-old.odb");
  SmallModel().format(1).write(cutOld, 512);
  std::filesystem::resize_file(cutOld, odbtest::FileBytes(cutOld).size() - 1);

  struct Case {
    std::string path;
    std::string expected;
  };
  std::vector<Case> cases = {
      {dir.file("absent.odb"), "no such file"},
      {dir.file("no-folder/absent.odb"), "no such file"},
      {dir.path(), "is a directory"},
      {text, "the file is not a database"},
      {old, "must be upgraded with upgradeOdb"},
      {cut, "the database file is damaged: its size, " + std::to_string(whole.size() - 100) +
                " bytes, is not a whole number of its 65536-byte pages"},
  };
#ifndef _WIN32
  // SQLite's Windows file system takes names far longer than this one; its Unix one does not.
  cases.push_back({longPath, "cannot open the database: the path is too long: " +
                                 std::to_string(longPath.size()) + " bytes as a full path"});
#endif
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string report = OdbErrorOf([&] { openOdb(c.path.c_str()); });
    EXPECT_EQ(report.rfind(c.path + ": ", 0), 0u) << report;
    EXPECT_NE(report.find(c.expected), std::string::npos) << report;
  }
  // The upgrade check reports the same texts for files it cannot read.
  std::string report = OdbErrorOf([&] { isUpgradeRequiredForOdb(text.c_str()); });
  EXPECT_NE(report.find("the file is not a database"), std::string::npos) << report;
  report = OdbErrorOf([&] { isUpgradeRequiredForOdb(dir.file("absent.odb").c_str()); });
  EXPECT_NE(report.find("no such file"), std::string::npos) << report;
  report = OdbErrorOf([&] { isUpgradeRequiredForOdb(cutOld.c_str()); });
  EXPECT_NE(report.find(cutOld + ": the database file is damaged"), std::string::npos) << report;
}

// Runs sql on source through a connection of its own; with copy, copies source and its file
// beside it (suffix) to copy while that connection is still open, in the middle of its work.
void Exec(const std::string& source, const char* sql, const std::string& copy = "",
          const char* suffix = "") {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(source.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  if (!copy.empty()) std::filesystem::copy_file(source, copy);
  if (*suffix != 0) std::filesystem::copy_file(source + suffix, copy + suffix);
  sqlite3_close(db);
}

std::map<std::string, std::vector<char>> FolderBytes(const std::string& folder) {
  std::map<std::string, std::vector<char>> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = odbtest::FileBytes(entry.path().string());
  }
  return files;
}

// Reading creates and changes nothing beside the file, whatever SQLite keeps there; a file it
// could not read without writing is refused with the reason.
TEST(BadInput, ReadingLeavesTheFilesBesideTheDatabaseAlone) {
  ScratchDir dir;
  const ScratchDir out;
  ApiSession session;
  // In write-ahead-log mode (closing leaves no log), an old one, and one beside an empty log
  // with the index an earlier reader left.
  const std::string wal = dir.file("wal.odb"), walOld = dir.file("wal-old.odb");
  const std::string indexed = dir.file("indexed.odb");
  SmallModel().write(wal);
  SmallModel().format(1).write(walOld);
  Exec(wal, "PRAGMA journal_mode = WAL", indexed, "");
  Exec(walOld, "PRAGMA journal_mode = WAL");
  std::ofstream(indexed + "-shm", std::ios::binary) << std::string(32768, 'i');
  std::ofstream(indexed + "-wal", std::ios::binary);
  // A log of changes a writer has not copied into its file, and the journal of a writer whose
  // cache is too small for its change, each taken while the writer is open.
  const std::string logged = dir.file("logged.odb"), hot = dir.file("hot.odb");
  std::filesystem::copy_file(wal, out.file("logging.odb"));
  Exec(out.file("logging.odb"), "PRAGMA wal_autocheckpoint = 0; UPDATE node SET x = x + 1",
       logged, "-wal");
  SmallModel()
      .sql("INSERT INTO node WITH RECURSIVE r(n) AS (SELECT 10 UNION ALL SELECT n + 1 FROM r"
           " WHERE n < 5000) SELECT 1, n, n, 0.0, 0.0, 0.0 FROM r")
      .write(out.file("writing.odb"), 512);
  Exec(out.file("writing.odb"), "PRAGMA cache_size = 5; BEGIN; UPDATE node SET x = x + 1", hot,
       "-journal");
  const auto before = FolderBytes(dir.path());

  EXPECT_NO_THROW(ReadUpTo(wal, ReadStage::ElementBlocks));
  EXPECT_NO_THROW(ReadUpTo(indexed, ReadStage::NodalBlocks));
  EXPECT_NO_THROW(upgradeOdb(walOld.c_str(), out.file("up.odb").c_str()));
  std::string report = OdbErrorOf([&] { openOdb(logged.c_str()); });
  EXPECT_EQ(report.rfind(logged + ": cannot read the database without writing beside it: its "
                         "write-ahead log " + logged + "-wal holds changes", 0), 0u) << report;
  report = OdbErrorOf([&] { openOdb(hot.c_str()); });
  EXPECT_EQ(report.rfind(hot + ": cannot read the database without writing to it: an interrupted "
                         "write left its journal " + hot + "-journal beside it", 0), 0u) << report;
  odb_finalizeAPI();
  odb_initializeAPI();
  EXPECT_EQ(FolderBytes(dir.path()), before);
}

TEST(BadInput, LockedDatabase) {
  ScratchDir dir;
  const std::string path = dir.file("locked.odb");
  SmallModel().write(path);

  // Another connection holds an exclusive lock, as a writer in the middle of a commit does.
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  {
    ApiSession session;
    const std::string report = OdbErrorOf([&] { openOdb(path.c_str()); });
    EXPECT_EQ(report.rfind(path + ": ", 0), 0u) << report;
    EXPECT_NE(report.find("locked"), std::string::npos) << report;
  }
  sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);
  // Once the lock is gone the same file opens.
  ApiSession session;
  EXPECT_NO_THROW(openOdb(path.c_str()));
}
