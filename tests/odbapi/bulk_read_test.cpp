// Bulk data read straight into reused buffers: the values are exact whatever the table looks
// like (rowids hidden behind columns, no rowids, a view, a damaged blob), and the buffer pool
// reuses storage within its bounds.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "buffer_pool.h"
#include "odb_builder.h"
#include "test_support.h"

using odbapi_detail::BufferPool;
using odbapi_detail::PooledBuffer;
using odbtest::ApiSession;
using odbtest::OdbErrorOf;
using testplatform::ScratchDir;

namespace {

// --- the pool ----------------------------------------------------------------------------

TEST(BufferPool, ReusesTheSmallestKeptBufferThatFits) {
  auto pool = BufferPool::Create();
  PooledBuffer empty = pool->acquire(0);
  EXPECT_EQ(empty.data(), nullptr);
  EXPECT_EQ(empty.size(), 0u);

  PooledBuffer big = pool->acquire(1000);
  ASSERT_NE(big.data(), nullptr);
  std::memset(big.data(), 7, big.size());  // the storage is writable over its whole size
  void* bigStorage = big.data();
  big.reset();
  EXPECT_EQ(pool->keptBuffers(), 1u);

  // 1200 bytes do not fit the kept 1000: fresh storage, the 1000 stays.
  PooledBuffer large = pool->acquire(1200);
  EXPECT_NE(large.data(), bigStorage);
  EXPECT_EQ(large.capacity(), 1200u);
  EXPECT_EQ(pool->keptBuffers(), 1u);
  // 400 fits the kept buffer, however much larger it is.
  PooledBuffer again = pool->acquire(400);
  EXPECT_EQ(again.data(), bigStorage);
  EXPECT_EQ(again.size(), 400u);
  EXPECT_EQ(again.capacity(), 1000u);
  EXPECT_EQ(pool->keptBuffers(), 0u);
  EXPECT_EQ(pool->bytesOut(), 2200u);

  // Moving hands the storage over once; only the destination returns it.
  PooledBuffer moved = std::move(again);
  EXPECT_EQ(again.data(), nullptr);
  EXPECT_EQ(moved.data(), bigStorage);
  moved = PooledBuffer();
  EXPECT_EQ(pool->bytesOut(), 1200u);
  EXPECT_EQ(pool->keptBytes(), 1000u);
  // Of the kept 1000 and 1200, the smaller one that holds the bytes is handed out.
  large.reset();
  EXPECT_EQ(pool->acquire(10).data(), bigStorage);
}

TEST(BufferPool, KeepsNoMoreThanTwiceWhatWasEverOutNorTooManyBuffers) {
  auto pool = BufferPool::Create();
  {
    PooledBuffer large = pool->acquire(1000);
    PooledBuffer labels = pool->acquire(10);
  }
  EXPECT_EQ(pool->mostBytesOut(), 1010u);
  EXPECT_EQ(pool->keptBuffers(), 2u);
  EXPECT_EQ(pool->keptBytes(), 1010u);
  // One at a time, sizes that no kept buffer holds. The 1001 comes back to 2011 kept, within
  // twice the 1010 ever out; the 1002 would make 3013, so the smallest go (the 10, then the
  // 1000) until 2003 are left.
  void* storage1001 = nullptr;
  {
    PooledBuffer buffer = pool->acquire(1001);
    storage1001 = buffer.data();
  }
  EXPECT_EQ(pool->keptBuffers(), 3u);
  EXPECT_EQ(pool->keptBytes(), 2011u);
  pool->acquire(1002);
  EXPECT_EQ(pool->mostBytesOut(), 1010u);
  EXPECT_EQ(pool->keptBuffers(), 2u);
  EXPECT_EQ(pool->keptBytes(), 2003u);
  EXPECT_EQ(pool->acquire(1000).data(), storage1001);

  auto counted = BufferPool::Create();
  std::vector<PooledBuffer> many;
  for (int i = 0; i < 20; ++i) many.push_back(counted->acquire(8));
  many.clear();
  EXPECT_EQ(counted->keptBuffers(), BufferPool::kMaxKept);
  EXPECT_EQ(counted->keptBytes(), 8 * BufferPool::kMaxKept);
  EXPECT_EQ(counted->bytesOut(), 0u);
}

TEST(BufferPool, BuffersOutliveTheirPool) {
  PooledBuffer buffer;
  {
    auto pool = BufferPool::Create();
    buffer = pool->acquire(64);
  }
  std::memset(buffer.data(), 1, buffer.size());
  buffer.reset();  // frees the storage itself (the sanitizer and valgrind runs see any leak)
  EXPECT_EQ(buffer.data(), nullptr);
}

// --- reading -----------------------------------------------------------------------------

// Values of field output f, frame r, block b, position i: distinct across the database, so a
// block read from the wrong row or a reused buffer that kept old values shows.
float ValueOf(int field, int frame, int block, int i) {
  return static_cast<float>(field * 1000000 + frame * 100000 + block * 10000) + 0.25f * i;
}

struct ExpectedBlock {
  int width;
  std::vector<int> labels;
  bool nodal;
  std::vector<float> data;
};

struct Model {
  odbapi::OdbBuilder builder;
  // [frame][field] -> blocks; fields U, S, E.
  std::vector<std::vector<std::vector<ExpectedBlock>>> expected;
};

const char* const kFields[] = {"U", "S", "E"};

// Two frames of U (nodal, width 3, two blocks over several pages), S (per element, width 6,
// one block of 48 kB) and E (per element, two rows).
Model BlockModel() {
  Model model;
  model.builder.instance("P").node(1, 0, 0, 0).element(1, "C3D8", {1, 1, 1, 1, 1, 1, 1, 1}).step("S");
  // S of 8000 rows spans several overflow pages even of the largest page size.
  const int rowsOf[3][2] = {{3000, 700}, {8000, 0}, {2, 0}};
  const int widthOf[3] = {3, 6, 1};
  for (int frame = 0; frame < 2; ++frame) {
    model.builder.frame(frame);
    model.expected.emplace_back();
    for (int field = 0; field < 3; ++field) {
      model.builder.field(kFields[field], field == 0 ? 3 : 5, field == 0 ? 1 : 3);
      model.expected.back().emplace_back();
      for (int block = 0; block < 2 && rowsOf[field][block] > 0; ++block) {
        ExpectedBlock expected{widthOf[field], {}, field == 0, {}};
        for (int row = 0; row < rowsOf[field][block]; ++row) {
          expected.labels.push_back(row + 1 + block * 5000);
        }
        for (std::size_t i = 0; i < expected.labels.size() * expected.width; ++i) {
          expected.data.push_back(ValueOf(field, frame, block, static_cast<int>(i)));
        }
        if (expected.nodal) {
          model.builder.nodal("P", expected.width, expected.labels, expected.data);
        } else {
          model.builder.elemental("P", "C3D8", "", expected.width, 1, expected.labels, expected.data);
        }
        model.expected.back().back().push_back(std::move(expected));
      }
    }
  }
  return model;
}

void ExpectBlocks(const odb_SequenceFieldBulkData& blocks, const std::vector<ExpectedBlock>& expected) {
  ASSERT_EQ(blocks.size(), static_cast<int>(expected.size()));
  for (int b = 0; b < blocks.size(); ++b) {
    SCOPED_TRACE("block " + std::to_string(b));
    const odb_FieldBulkData& block = blocks[b];
    const ExpectedBlock& want = expected[b];
    ASSERT_EQ(block.length(), static_cast<int>(want.labels.size()));
    ASSERT_EQ(block.width(), want.width);
    EXPECT_EQ(std::memcmp(block.data(), want.data.data(), want.data.size() * sizeof(float)), 0);
    const int* labels = want.nodal ? block.nodeLabels() : block.elementLabels();
    EXPECT_EQ(std::memcmp(labels, want.labels.data(), want.labels.size() * sizeof(int)), 0);
    EXPECT_STREQ(block.instance().name().CStr(), "P");
  }
}

// Reads every field output in walk order, each dropped before the next is read (so buffers are
// reused), then holds S of frame 0 while reading S of frame 1 (so they must not share).
void ExpectWholeModel(const std::string& path, const Model& model) {
  odb_Odb& odb = openOdb(path.c_str());
  odb_SequenceFrame& frames = odb.steps()["S"].frames();
  for (int round = 0; round < 2; ++round) {
    for (int frame = 0; frame < 2; ++frame) {
      for (int field = 0; field < 3; ++field) {
        SCOPED_TRACE(std::string("frame ") + std::to_string(frame) + ", " + kFields[field]);
        ExpectBlocks(frames[frame].fieldOutputs()[kFields[field]].bulkDataBlocks(),
                     model.expected[frame][field]);
      }
    }
  }
  odb_SequenceFieldBulkData held = frames[0].fieldOutputs()["S"].bulkDataBlocks();
  odb_SequenceFieldBulkData next = frames[1].fieldOutputs()["S"].bulkDataBlocks();
  ExpectBlocks(held, model.expected[0][1]);
  ExpectBlocks(next, model.expected[1][1]);
}

const char* const kBulkColumns =
    "field_output_id INTEGER NOT NULL, seq INTEGER NOT NULL, instance TEXT NOT NULL DEFAULT '', "
    "element_type TEXT NOT NULL DEFAULT '', section_point TEXT NOT NULL DEFAULT '', "
    "width INTEGER NOT NULL, length INTEGER NOT NULL, element_count INTEGER NOT NULL DEFAULT 0, "
    "data BLOB NOT NULL, node_labels BLOB, element_labels BLOB";

struct TableShape {
  const char* name;
  std::vector<std::string> sql;
};

// The bulk_block table rebuilt in shapes the direct read cannot use as it is, with the rows
// stored in reverse so that rowids and seq disagree.
std::vector<TableShape> TableShapes() {
  const std::string copyReversed =
      " FROM bulk_block ORDER BY field_output_id DESC, seq DESC";
  const std::string swap = "DROP TABLE bulk_block; ALTER TABLE bulk_copy RENAME TO bulk_block";
  return {
      {"as written", {}},
      {"rows stored in reverse",
       {std::string("CREATE TABLE bulk_copy(") + kBulkColumns + ")",
        "INSERT INTO bulk_copy SELECT *" + copyReversed, swap}},
      {"without rowid",
       {std::string("CREATE TABLE bulk_copy(") + kBulkColumns +
            ", PRIMARY KEY(field_output_id, seq)) WITHOUT ROWID",
        "INSERT INTO bulk_copy SELECT *" + copyReversed, swap}},
      // A column named rowid that points every row at the first one.
      {"a column named rowid",
       {"CREATE TABLE bulk_copy AS SELECT 1 AS rowid, *" + copyReversed, swap}},
      {"columns named rowid, _rowid_ and oid",
       {"CREATE TABLE bulk_copy AS SELECT 1 AS rowid, 1 AS _rowid_, 1 AS OID, *" + copyReversed,
        swap}},
  };
}

TEST(BulkRead, ExactValuesWhateverTheTableShape) {
  ScratchDir dir;
  ApiSession session;
  int n = 0;
  for (const TableShape& shape : TableShapes()) {
    SCOPED_TRACE(shape.name);
    Model model = BlockModel();
    for (const std::string& sql : shape.sql) model.builder.sql(sql);
    const std::string path = dir.file("shape" + std::to_string(n++) + ".odb");
    model.builder.write(path);
    ExpectWholeModel(path, model);
  }
}

TEST(BulkRead, CheckTextsWhateverTheTableShape) {
  ScratchDir dir;
  ApiSession session;
  const struct {
    const char* field;
    const char* sql;  // on bulk_block
    const char* expected;
  } bad[] = {
      {"S", "UPDATE bulk_block SET data = zeroblob(10) WHERE field_output_id = 2",
       ": field output 'S' (step 'S', frame 0), block 0: data holds 10 bytes, expected 192000 for "
       "8000 rows of width 6"},
      {"E", "UPDATE bulk_block SET element_labels = x'00' WHERE field_output_id = 3",
       ": field output 'E' (step 'S', frame 0), block 0: element_labels holds 1 bytes, expected 8 "
       "for 2 rows"},
      {"U", "UPDATE bulk_block SET node_labels = 'text' WHERE field_output_id = 1 AND seq = 1",
       ": field output 'U' (step 'S', frame 0), block 1: node_labels is not a BLOB"},
      {"U", "UPDATE bulk_block SET length = -1 WHERE field_output_id = 1",
       ": field output 'U' (step 'S', frame 0), block 0: negative length -1"},
  };
  int n = 0;
  for (const TableShape& shape : TableShapes()) {
    for (const auto& one : bad) {
      SCOPED_TRACE(std::string(shape.name) + ": " + one.sql);
      Model model = BlockModel();
      for (const std::string& sql : shape.sql) model.builder.sql(sql);
      model.builder.sql(one.sql);
      const std::string path = dir.file("bad" + std::to_string(n++) + ".odb");
      model.builder.write(path);
      odb_Odb& odb = openOdb(path.c_str());
      odb_Frame& frame = odb.steps()["S"].frames()[0];
      EXPECT_EQ(OdbErrorOf([&] { frame.fieldOutputs()[one.field].bulkDataBlocks(); }),
                path + one.expected);
    }
  }
}

// Files written with small pages (as earlier versions of the writer left them) read the same;
// page sizes SQLite cannot have are refused.
TEST(BulkRead, ExactValuesWhateverThePageSize) {
  ScratchDir dir;
  ApiSession session;
  Model model = BlockModel();
  for (int pageSize : {512, 4096, 65536}) {
    SCOPED_TRACE(pageSize);
    const std::string path = dir.file("pages" + std::to_string(pageSize) + ".odb");
    model.builder.write(path, pageSize);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    int stored = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA page_size", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      stored = sqlite3_column_int(statement, 0);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    EXPECT_EQ(stored, pageSize);
    ExpectWholeModel(path, model);
  }
  for (int pageSize : {0, 256, 1000, 131072}) {
    EXPECT_THROW(model.builder.write(dir.file("bad.odb"), pageSize), std::invalid_argument);
  }
}

// Overwrites the next-page pointer of one overflow page of the S blob of frame 1 (a page full
// of its values) so that its chain leads past the end of the file.
bool BreakOverflowChain(const std::string& path) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() < 100) return false;
  // The header's page size: big-endian at offset 16, where 1 stands for 65536.
  std::size_t pageSize = (static_cast<unsigned char>(bytes[16]) << 8) | static_cast<unsigned char>(bytes[17]);
  if (pageSize == 1) pageSize = 65536;
  float value = ValueOf(1, 1, 0, 20000);  // well inside S's 48000 values of frame 1, past its first page
  char pattern[4];
  std::memcpy(pattern, &value, 4);
  for (std::size_t page = pageSize; page + pageSize <= bytes.size(); page += pageSize) {
    for (std::size_t at = page + 4; at + 4 <= page + pageSize; ++at) {
      if (std::memcmp(&bytes[at], pattern, 4) == 0) {
        file.seekp(static_cast<std::streamoff>(page));
        file.write("\xff\xff\xff\x7f", 4);
        return static_cast<bool>(file);
      }
    }
  }
  return false;
}

TEST(BulkRead, DamagedBlobIsAnErrorAndTheRestStillReads) {
  ScratchDir dir;
  ApiSession session;
  Model model = BlockModel();
  const std::string path = dir.file("damaged.odb");
  model.builder.write(path);
  ASSERT_TRUE(BreakOverflowChain(path));
  odb_Odb& odb = openOdb(path.c_str());
  odb_SequenceFrame& frames = odb.steps()["S"].frames();
  const std::string text = OdbErrorOf([&] { frames[1].fieldOutputs()["S"].bulkDataBlocks(); });
  EXPECT_EQ(text.rfind(path + ": cannot read the database: the database file is damaged", 0), 0u)
      << text;
  for (int frame = 0; frame < 2; ++frame) {
    ExpectBlocks(frames[frame].fieldOutputs()["U"].bulkDataBlocks(), model.expected[frame][0]);
  }
  ExpectBlocks(frames[0].fieldOutputs()["S"].bulkDataBlocks(), model.expected[0][1]);
}

}  // namespace

// bulk_block's optional precision column: absent or 0, 4-byte floats; 1, 8-byte doubles
// handed out by dataDouble() only. Read the same through the blob read and the column read.
TEST(BulkRead, PrecisionColumnWhateverTheTableShape) {
  ScratchDir dir;
  ApiSession session;
  const std::vector<double> doubles = {0.1, 1e300, -2.5e-310, 1.0 / 3.0, -0.0, 123456789.123456789};
  const std::vector<float> floats = {0.1f, 2.0f, -3.5f};

  // No block sets a precision: the table has no such column.
  {
    const std::string path = dir.file("absent.odb");
    odbapi::OdbBuilder().step("S").frame().field("U", 3, 1).nodal("P", 3, {7}, floats).write(path);
    odb_Odb& odb = openOdb(path.c_str());
    const odb_SequenceFieldBulkData& u = odb.steps()["S"].frames()[0].fieldOutputs()["U"].bulkDataBlocks();
    EXPECT_EQ(u[0].precision(), odb_Enum::SINGLE_PRECISION);
    EXPECT_EQ(u[0].dataDouble(), nullptr);
    EXPECT_EQ(std::vector<float>(u[0].data(), u[0].data() + 3), floats);
  }

  const std::vector<std::pair<const char*, std::string>> shapes = {
      {"as written", ""},
      {"read as columns", "CREATE TABLE bulk_copy AS SELECT 1 AS rowid, 1 AS _rowid_, 1 AS OID, * "
                          "FROM bulk_block; DROP TABLE bulk_block; "
                          "ALTER TABLE bulk_copy RENAME TO bulk_block"}};
  int n = 0;
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.first);
    odbapi::OdbBuilder builder;
    builder.step("S").frame().field("Z", 3, 1).nodal("P", 3, {7}, floats).precision(0);
    builder.field("D", 3, 1).nodal("P", 3).rowDouble(1, {doubles[0], doubles[1], doubles[2]});
    builder.rowDouble(2, {doubles[3], doubles[4], doubles[5]});
    builder.field("E", 1, 3).elemental("P", "C3D8", "", 1, 1).precision(1);
    if (!shape.second.empty()) builder.sql(shape.second);
    const std::string path = dir.file("precision" + std::to_string(n++) + ".odb");
    builder.write(path);

    odb_Odb& odb = openOdb(path.c_str());
    odb_FieldOutputRepository& fields = odb.steps()["S"].frames()[0].fieldOutputs();
    const odb_SequenceFieldBulkData& z = fields["Z"].bulkDataBlocks();
    EXPECT_EQ(z[0].precision(), odb_Enum::SINGLE_PRECISION);
    EXPECT_EQ(z[0].dataDouble(), nullptr);
    EXPECT_EQ(std::vector<float>(z[0].data(), z[0].data() + 3), floats);

    const odb_SequenceFieldBulkData& d = fields["D"].bulkDataBlocks();
    ASSERT_EQ(d[0].precision(), odb_Enum::DOUBLE_PRECISION);
    EXPECT_EQ(d[0].length(), 2);
    EXPECT_EQ(d[0].data(), nullptr);
    ASSERT_NE(d[0].dataDouble(), nullptr);
    const std::vector<double> read(d[0].dataDouble(), d[0].dataDouble() + 6);
    EXPECT_EQ(std::memcmp(read.data(), doubles.data(), sizeof(double) * 6), 0);
    EXPECT_EQ(d[0].nodeLabels()[1], 2);

    // A double block without rows.
    const odb_SequenceFieldBulkData& e = fields["E"].bulkDataBlocks();
    EXPECT_EQ(e[0].precision(), odb_Enum::DOUBLE_PRECISION);
    EXPECT_EQ(e[0].length(), 0);
  }
}

// bulk_block's optional component_labels column: the stored labels; where none are stored
// (no column, NULL), the solver's own for a tensor as wide as its type's components. Labels
// that cannot be one per component are refused.
TEST(BulkRead, ComponentLabelsStoredOrTheSolversOwn) {
  ScratchDir dir;
  ApiSession session;
  auto joined = [](const odb_SequenceString& labels) {
    std::string text;
    for (int c = 0; c < labels.size(); ++c) text += std::string(c ? " " : "") + labels[c].CStr();
    return text;
  };
  const std::pair<const char*, const char*> cases[] = {  // E's stored labels, the refusal
      {"", ""},
      {"S11 S22 S12 S33", ""},
      {"S11 S22", "component_labels holds 2 labels, expected one for each of the 4 components"},
      {"S11  S22 S12 S33", "component_labels \"S11  S22 S12 S33\" has an empty label"}};
  int n = 0;
  for (const auto& [stored, refusal] : cases) {
    SCOPED_TRACE(stored);
    odbapi::OdbBuilder builder;
    builder.step("S").frame().field("S", 5, 1).nodal("P", 6, {1}, std::vector<float>(6, 1.0f));
    builder.nodal("P", 3, {1}, {1, 2, 3}).field("E", 6, 1).nodal("P", 4, {1}, {1, 2, 3, 4});
    if (*stored != '\0') builder.labels(stored);  // the other blocks: NULL in the column
    builder.field("U", 3, 1).nodal("P", 3, {1}, {1, 2, 3}).field("F", 9, 1).nodal("P", 3, {1}, {1, 2, 3});
    const std::string path = dir.file("labels" + std::to_string(n++) + ".odb");
    builder.write(path);
    odb_Odb& odb = openOdb(path.c_str());
    odb_FieldOutputRepository& fields = odb.steps()["S"].frames()[0].fieldOutputs();
    EXPECT_EQ(joined(fields["S"].bulkDataBlocks()[0].componentLabels()), "S11 S22 S33 S12 S13 S23");
    EXPECT_EQ(fields["S"].bulkDataBlocks()[1].componentLabels().size(), 0);  // not its type's width
    EXPECT_EQ(joined(fields["F"].bulkDataBlocks()[0].componentLabels()), "F11 F22 F12");
    EXPECT_EQ(fields["U"].bulkDataBlocks()[0].componentLabels().size(), 0);
    EXPECT_EQ(joined(fields["U"].componentLabels()), "U1 U2 U3");
    if (*refusal == '\0') {
      EXPECT_EQ(joined(fields["E"].bulkDataBlocks()[0].componentLabels()),
                *stored != '\0' ? stored : "E11 E22 E33 E12");
    } else {
      EXPECT_EQ(OdbErrorOf([&] { fields["E"].bulkDataBlocks(); }),
                path + ": field output 'E' (step 'S', frame 0), block 0: " + refusal);
    }
  }
}

TEST(BulkRead, PrecisionChecks) {
  ScratchDir dir;
  ApiSession session;
  const struct {
    const char* sql;
    const char* expected;
  } bad[] = {
      // A double block whose blob holds 4-byte values.
      {"UPDATE bulk_block SET data = zeroblob(12)",
       ": field output 'D' (step 'S', frame 0), block 0: data holds 12 bytes, expected 24 for 1 "
       "rows of width 3 in double precision"},
      {"UPDATE bulk_block SET \"precision\" = 2",
       ": field output 'D' (step 'S', frame 0), block 0: precision 2 is neither 0 (single) nor 1 "
       "(double)"},
      {"UPDATE bulk_block SET \"precision\" = 'double'",
       ": field output 'D' (step 'S', frame 0), block 0: precision is not an integer"},
  };
  int n = 0;
  for (const auto& one : bad) {
    SCOPED_TRACE(one.sql);
    const std::string path = dir.file("bad" + std::to_string(n++) + ".odb");
    odbapi::OdbBuilder()
        .step("S").frame().field("D", 3, 1).nodal("P", 3).rowDouble(1, {1, 2, 3})
        .sql(one.sql)
        .write(path);
    odb_Odb& odb = openOdb(path.c_str());
    odb_Frame& frame = odb.steps()["S"].frames()[0];
    EXPECT_EQ(OdbErrorOf([&] { frame.fieldOutputs()["D"].bulkDataBlocks(); }), path + one.expected);
  }
}
