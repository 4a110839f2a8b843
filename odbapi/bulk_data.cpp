// Bulk data: the blocks of a field output, read on request into pooled storage and checked.
#include <climits>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "column_reads.h"
#include "odbapi_detail.h"

using odbapi_detail::BufferPool;
using odbapi_detail::BulkBlockData;
using odbapi_detail::Connection;
using odbapi_detail::Database;
using odbapi_detail::Fail;
using odbapi_detail::FieldOutputRecord;
using odbapi_detail::PooledBuffer;
using odbapi_detail::Statement;

odb_FieldBulkData::odb_FieldBulkData(std::shared_ptr<const BulkBlockData> data)
    : m_data(std::move(data)) {
  if (!m_data) m_data = std::make_shared<BulkBlockData>();
}

int odb_FieldBulkData::length() const { return m_data->length; }
int odb_FieldBulkData::width() const { return m_data->width; }
odb_Enum::odb_PrecisionEnum odb_FieldBulkData::precision() const {
  return m_data->doublePrecision ? odb_Enum::DOUBLE_PRECISION : odb_Enum::SINGLE_PRECISION;
}
// The values are the block's own storage; the vendor hands them out as non-const pointers.
// Only the array of the block's precision exists: the other one is null.
float* odb_FieldBulkData::data() const {
  return m_data->doublePrecision ? nullptr : static_cast<float*>(m_data->data.data());
}
double* odb_FieldBulkData::dataDouble() const {
  return m_data->doublePrecision ? static_cast<double*>(m_data->data.data()) : nullptr;
}

int* odb_FieldBulkData::nodeLabels() const {
  if (!m_data->hasNodeLabels) {
    if (m_data->length == 0) return nullptr;
    Fail(m_data->path + ": " + m_data->context + ": the block has no node labels");
  }
  return static_cast<int*>(m_data->nodeLabels.data());
}

int* odb_FieldBulkData::elementLabels() const {
  if (!m_data->hasElementLabels) {
    if (m_data->length == 0) return nullptr;
    Fail(m_data->path + ": " + m_data->context + ": the block has no element labels");
  }
  return static_cast<int*>(m_data->elementLabels.data());
}

int odb_FieldBulkData::numberOfElements() const { return m_data->elementCount; }
const odb_Instance& odb_FieldBulkData::instance() const { return m_data->instance; }
odb_String odb_FieldBulkData::baseElementType() const { return m_data->elementType; }
const odb_SectionPoint& odb_FieldBulkData::sectionPoint() const { return m_data->sectionPoint; }
odb_SequenceString odb_FieldBulkData::componentLabels() const { return m_data->componentLabels; }

const odb_FieldBulkData& odb_SequenceFieldBulkData::operator[](int i) const {
  if (i < 0 || i >= size()) {
    Fail("block index " + std::to_string(i) + " is out of range (the field output has " +
         std::to_string(size()) + " blocks)");
  }
  return m_blocks[i];
}

namespace odbapi_detail {
namespace {

// The type code of a typeof() text.
int TypeOfText(const std::string& text) {
  if (text == "null") return SQLITE_NULL;
  if (text == "integer") return SQLITE_INTEGER;
  if (text == "real") return SQLITE_FLOAT;
  if (text == "text") return SQLITE_TEXT;
  return SQLITE_BLOB;
}

// The columns both ways of reading select first: instance, element_type, section_point, width,
// length, element_count, the precision (0 where the table has no such column) and the
// component labels (NULL where it has none).
std::string BlockHeadColumns(const Database& db) {
  return std::string("SELECT instance, element_type, section_point, width, length, element_count, ") +
         (db.bulkHasPrecision() ? "\"precision\", " : "0, ") +
         (db.bulkHasComponentLabels() ? "component_labels, " : "NULL, ");
}

// The columns the head takes; the blobs follow.
constexpr int kHeadColumns = 8;

// A block's component labels: the stored text split at single blanks, one label per
// component; where none is stored, the solver's own labels of a tensor as wide as its type's.
void SetComponentLabels(const Statement& rows, const FieldOutputRecord& record,
                        const std::string& where, BulkBlockData& block) {
  const int type = rows.columnType(7);
  if (type == SQLITE_NULL) {
    if (record.type >= odb_Enum::TENSOR_3D_FULL && record.type <= odb_Enum::TENSOR_2D_SURFACE) {
      block.componentLabels = SolverComponentLabels(record.name, record.type, block.width);
    }
    return;
  }
  if (type != SQLITE_TEXT) Fail(where + ": component_labels is not a text");
  const std::string text = rows.columnText(7);
  std::vector<std::string> labels;
  std::size_t start = 0;
  while (true) {
    const std::size_t blank = text.find(' ', start);
    labels.push_back(text.substr(start, blank == std::string::npos ? std::string::npos : blank - start));
    if (labels.back().empty()) Fail(where + ": component_labels \"" + text + "\" has an empty label");
    if (blank == std::string::npos) break;
    start = blank + 1;
  }
  if (labels.size() != static_cast<std::size_t>(block.width)) {
    Fail(where + ": component_labels holds " + std::to_string(labels.size()) +
         " labels, expected one for each of the " + std::to_string(block.width) + " components");
  }
  for (const std::string& label : labels) block.componentLabels.append(odb_String(label));
}

// A block with its context and the head columns of its row read and checked.
std::shared_ptr<BulkBlockData> BlockHead(const Statement& rows, const std::string& path,
                                         const FieldOutputRecord& record, int index,
                                         std::string& instanceName) {
  auto block = std::make_shared<BulkBlockData>();
  block->path = path;
  block->context = "field output " + Quoted(record.name.CStr()) + " (step " + Quoted(record.stepName) +
                   ", frame " + std::to_string(record.frameIndex) + "), block " + std::to_string(index);
  const std::string where = block->path + ": " + block->context;

  instanceName = rows.columnText(0);
  block->elementType = odb_String(rows.columnText(1));
  block->sectionPoint = odb_SectionPoint(odb_String(rows.columnText(2)));
  std::int64_t width = IntegerColumn(rows, 3, where, "width");
  std::int64_t length = IntegerColumn(rows, 4, where, "length");
  std::int64_t elementCount = IntegerColumn(rows, 5, where, "element_count");
  if (width < 0) Fail(where + ": negative width " + std::to_string(width));
  if (length < 0) Fail(where + ": negative length " + std::to_string(length));
  if (elementCount < 0) Fail(where + ": negative element count " + std::to_string(elementCount));
  if (width > INT_MAX) Fail(where + ": width " + std::to_string(width) + " is too large");
  if (length > INT_MAX) Fail(where + ": length " + std::to_string(length) + " is too large");
  if (elementCount > INT_MAX) {
    Fail(where + ": element count " + std::to_string(elementCount) + " is too large");
  }
  // NULL (a column added to an older file) reads as single precision.
  if (rows.columnType(6) != SQLITE_NULL) {
    const std::int64_t precision = IntegerColumn(rows, 6, where, "precision");
    if (precision != 0 && precision != 1) {
      Fail(where + ": precision " + std::to_string(precision) +
           " is neither 0 (single) nor 1 (double)");
    }
    block->doublePrecision = precision == 1;
  }
  block->width = static_cast<int>(width);
  block->length = static_cast<int>(length);
  block->elementCount = static_cast<int>(elementCount);
  SetComponentLabels(rows, record, where, *block);
  return block;
}

// Bytes per stored value of a block: 4 for single precision, 8 for double.
std::uint64_t ValueBytes(const BulkBlockData& block) { return block.doublePrecision ? 8 : 4; }

// The number of data values of a block after checking that the data blob (of the given type
// and bytes) holds exactly length x width of them in the block's precision.
std::uint64_t CheckedDataValues(const BulkBlockData& block, int type, std::uint64_t bytes) {
  const std::string where = block.path + ": " + block.context;
  // Both factors fit 31 bits, so the byte count (at most 8 bytes a value) fits 64 bits unsigned.
  const std::uint64_t values =
      static_cast<std::uint64_t>(block.length) * static_cast<std::uint64_t>(block.width);
  BlobPresent(type, where, "data", false);
  if (bytes != values * ValueBytes(block)) {
    Fail(where + ": data holds " + std::to_string(bytes) + " bytes, expected " +
         std::to_string(values * ValueBytes(block)) + " for " + std::to_string(block.length) +
         " rows of width " + std::to_string(block.width) +
         (block.doublePrecision ? " in double precision" : ""));
  }
  return values;
}

// Whether a block has the label column (of the given type and bytes), after checking that it
// holds one label per row.
bool CheckedLabels(const BulkBlockData& block, const char* name, int type, std::uint64_t bytes) {
  const std::string where = block.path + ": " + block.context;
  if (!BlobPresent(type, where, name, true)) return false;
  if (bytes != static_cast<std::uint64_t>(block.length) * 4) {
    Fail(where + ": " + name + " holds " + std::to_string(bytes) + " bytes, expected " +
         std::to_string(static_cast<std::uint64_t>(block.length) * 4) + " for " +
         std::to_string(block.length) + " rows");
  }
  return true;
}

// A block's instance is a name; it may name no instance of the database.
void SetInstance(const std::shared_ptr<Database>& db, const std::string& instanceName,
                 BulkBlockData& block) {
  if (const auto* info = db->findInstance(instanceName)) {
    block.instance = odb_Instance(db, info->id, odb_String(instanceName), info->embeddedSpace);
  } else {
    block.instance = odb_Instance(nullptr, 0, odb_String(instanceName), 0);
  }
}

// The blocks of a field output with every blob read as a result column: SQLite copies each
// value into memory of its own, and the block copies it again. Works on any table.
odb_SequenceFieldBulkData BlocksByColumn(const std::shared_ptr<Database>& db,
                                         const FieldOutputRecord& record) {
  odb_SequenceFieldBulkData blocks;
  BufferPool& pool = *db->bufferPool();
  Statement rows(db->connection(),
                 BlockHeadColumns(*db) +
                     "data, node_labels, element_labels FROM bulk_block WHERE field_output_id = ?1 "
                     "ORDER BY seq");
  rows.bindInt(1, record.id);
  int index = 0;
  while (rows.step()) {
    std::string instanceName;
    std::shared_ptr<BulkBlockData> block = BlockHead(rows, db->path(), record, index, instanceName);
    const int d = kHeadColumns, n = kHeadColumns + 1, e = kHeadColumns + 2;
    std::uint64_t values = CheckedDataValues(*block, rows.columnType(d), rows.columnBytes(d));
    block->data = DecodeLittleEndian(rows.columnBlob(d), static_cast<std::size_t>(values),
                                     static_cast<std::size_t>(ValueBytes(*block)), pool);
    if (CheckedLabels(*block, "node_labels", rows.columnType(n), rows.columnBytes(n))) {
      block->hasNodeLabels = true;
      block->nodeLabels = DecodeLittleEndian32(rows.columnBlob(n), rows.columnBytes(n) / 4, pool);
    }
    if (CheckedLabels(*block, "element_labels", rows.columnType(e), rows.columnBytes(e))) {
      block->hasElementLabels = true;
      block->elementLabels = DecodeLittleEndian32(rows.columnBlob(e), rows.columnBytes(e) / 4, pool);
    }
    SetInstance(db, instanceName, *block);
    blocks.append(odb_FieldBulkData(std::move(block)));
    ++index;
  }
  return blocks;
}

// An incremental-blob handle on one column of bulk_block, moved from row to row.
class BlobColumnReader {
 public:
  BlobColumnReader(sqlite3* db, const char* column) : m_db(db), m_column(column) {}
  ~BlobColumnReader() {
    if (m_blob != nullptr) sqlite3_blob_close(m_blob);
  }
  BlobColumnReader(const BlobColumnReader&) = delete;
  BlobColumnReader& operator=(const BlobColumnReader&) = delete;

  // Reads the value of the column in row rowid, which must hold exactly bytes, into out.
  // False when the blob API cannot (a table without rowids, a view, a damaged file).
  bool read(std::int64_t rowid, void* out, std::uint64_t bytes) {
    if (bytes > static_cast<std::uint64_t>(INT_MAX)) return false;
    int code = m_blob == nullptr
                   ? sqlite3_blob_open(m_db, "main", "bulk_block", m_column, rowid, 0, &m_blob)
                   : sqlite3_blob_reopen(m_blob, rowid);
    if (code != SQLITE_OK) return false;
    if (static_cast<std::uint64_t>(sqlite3_blob_bytes(m_blob)) != bytes) return false;
    return sqlite3_blob_read(m_blob, out, static_cast<int>(bytes), 0) == SQLITE_OK;
  }

 private:
  sqlite3* m_db;
  const char* m_column;
  sqlite3_blob* m_blob = nullptr;
};

// The blocks of a field output with every blob read through the incremental blob API straight
// into pooled storage: the query only asks for the blobs' types and lengths, which SQLite
// answers without loading them, and each blob is then copied once, from the file into its
// final place. Returns false when the blob API cannot read a value; throws on what the checks
// refuse.
bool BlocksByBlob(const std::shared_ptr<Database>& db, const FieldOutputRecord& record,
                  odb_SequenceFieldBulkData& blocks) {
  const Connection& connection = db->connection();
  BufferPool& pool = *db->bufferPool();
  // Larger than SQLite's length limit: the column read could not load it either.
  const auto lengthLimit =
      static_cast<std::uint64_t>(sqlite3_limit(connection.get(), SQLITE_LIMIT_LENGTH, -1));
  Statement rows(connection,
                 BlockHeadColumns(*db) +
                     "typeof(data), length(data), typeof(node_labels), length(node_labels), "
                     "typeof(element_labels), length(element_labels), " +
                     db->bulkRowidName() +
                     " FROM bulk_block WHERE field_output_id = ?1 ORDER BY seq");
  rows.bindInt(1, record.id);
  BlobColumnReader dataReader(connection.get(), "data");
  BlobColumnReader nodeLabelReader(connection.get(), "node_labels");
  BlobColumnReader elementLabelReader(connection.get(), "element_labels");

  // Reads one checked blob of a row into fresh pooled storage.
  auto readBlob = [&](BlobColumnReader& reader, std::int64_t rowid, std::uint64_t bytes,
                      std::uint64_t valueBytes, PooledBuffer& out) {
    if (bytes > lengthLimit) return false;
    out = pool.acquire(static_cast<std::size_t>(bytes));
    if (bytes == 0) return true;
    if (!reader.read(rowid, out.data(), bytes)) return false;
    LittleEndianToHost(out.data(), static_cast<std::size_t>(bytes),
                       static_cast<std::size_t>(valueBytes));
    return true;
  };

  int index = 0;
  while (rows.step()) {
    std::string instanceName;
    std::shared_ptr<BulkBlockData> block = BlockHead(rows, db->path(), record, index, instanceName);
    // After the head: type and length of data, node_labels and element_labels, then the rowid.
    const int h = kHeadColumns;
    if (rows.columnType(h + 6) != SQLITE_INTEGER) return false;
    const std::int64_t rowid = rows.columnInt(h + 6);
    auto blobType = [&](int column) { return TypeOfText(rows.columnText(h + column)); };
    auto blobBytes = [&](int column) { return static_cast<std::uint64_t>(rows.columnInt(h + column)); };

    std::uint64_t values = CheckedDataValues(*block, blobType(0), blobBytes(1));
    const std::uint64_t valueBytes = ValueBytes(*block);
    if (!readBlob(dataReader, rowid, values * valueBytes, valueBytes, block->data)) return false;
    if (CheckedLabels(*block, "node_labels", blobType(2), blobBytes(3))) {
      block->hasNodeLabels = true;
      if (!readBlob(nodeLabelReader, rowid, blobBytes(3), 4, block->nodeLabels)) return false;
    }
    if (CheckedLabels(*block, "element_labels", blobType(4), blobBytes(5))) {
      block->hasElementLabels = true;
      if (!readBlob(elementLabelReader, rowid, blobBytes(5), 4, block->elementLabels)) return false;
    }
    SetInstance(db, instanceName, *block);
    blocks.append(odb_FieldBulkData(std::move(block)));
    ++index;
  }
  return true;
}

}  // namespace
}  // namespace odbapi_detail

odb_SequenceFieldBulkData odb_FieldOutput::bulkDataBlocks() const {
  if (!m_db || !m_record) return odb_SequenceFieldBulkData();
  if (!m_db->bulkRowidName().empty()) {
    // Whatever stops the direct read (a table without rowids, a view, a damaged blob, a value
    // the checks refuse) is left to the column read, which then reports it exactly as it
    // always has; the direct read only ever returns blocks it read completely.
    try {
      odb_SequenceFieldBulkData blocks;
      if (odbapi_detail::BlocksByBlob(m_db, *m_record, blocks)) return blocks;
    } catch (const odb_Exception&) {
    } catch (const std::exception&) {
    }
  }
  return odbapi_detail::BlocksByColumn(m_db, *m_record);
}
