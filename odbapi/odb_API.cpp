// The stand-in's reader: metadata at openOdb, meshes and bulk data on request.
#include "odb_API.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "element_shapes.h"
#include "odbapi_detail.h"

using odbapi_detail::BufferPool;
using odbapi_detail::BulkBlockData;
using odbapi_detail::Connection;
using odbapi_detail::Database;
using odbapi_detail::ElementData;
using odbapi_detail::Fail;
using odbapi_detail::FieldOutputRecord;
using odbapi_detail::NodeData;
using odbapi_detail::PooledBuffer;
using odbapi_detail::Statement;

// --- texts and exceptions -------------------------------------------------------------

odb_String::odb_String(const char* text) : m_text(text != nullptr ? text : "") {}
odb_String::odb_String(std::string text) : m_text(std::move(text)) {}

odb_Exception::odb_Exception(const char* type, const std::string& message)
    : m_type(type), m_message(message) {}

namespace odbapi_detail {

void ThrowMissingKey(const char* key) {
  Fail(std::string("the repository has no entry '") + key + "'");
}
void ThrowRepeatedKey(const char* key) {
  Fail(std::string("the repository already has an entry '") + key + "'");
}
void ThrowPastEnd() { Fail("the iterator is past the last entry"); }

namespace {

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool HostIsLittleEndian() {
  const std::uint32_t one = 1;
  unsigned char first = 0;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// Turns count little-endian 32-bit values into host order, in place (nothing to do on a
// little-endian host).
void LittleEndian32ToHost(void* values, std::size_t count) {
  if (HostIsLittleEndian()) return;
  auto* bytes = static_cast<unsigned char*>(values);
  for (std::size_t i = 0; i < count; ++i) {
    std::swap(bytes[4 * i], bytes[4 * i + 3]);
    std::swap(bytes[4 * i + 1], bytes[4 * i + 2]);
  }
}

// Appends count little-endian 32-bit values from a blob to out.
void AppendLittleEndian32(const void* source, std::size_t count, std::vector<int>& out) {
  if (count == 0) return;
  const std::size_t end = out.size();
  out.resize(end + count);
  std::memcpy(out.data() + end, source, count * 4);
  LittleEndian32ToHost(out.data() + end, count);
}

// The index of each distinct text in a table of texts, adding new ones at its end. Consecutive
// elements nearly always share their type and section, so the text last asked for is
// compared first, without a copy or a hash.
class TextTable {
 public:
  explicit TextTable(std::vector<odb_String>& table) : m_table(table) {}

  std::uint32_t Intern(std::string_view text) {
    if (m_hasLast && text == m_last) return m_lastPosition;
    m_last.assign(text.data(), text.size());
    auto found = m_index.find(m_last);
    if (found != m_index.end()) {
      m_lastPosition = found->second;
    } else {
      m_lastPosition = static_cast<std::uint32_t>(m_table.size());
      m_table.emplace_back(m_last);
      m_index.emplace(m_last, m_lastPosition);
    }
    m_hasLast = true;
    return m_lastPosition;
  }

 private:
  std::vector<odb_String>& m_table;
  std::unordered_map<std::string, std::uint32_t> m_index;
  std::string m_last;
  std::uint32_t m_lastPosition = 0;
  bool m_hasLast = false;
};

// Copies count little-endian 32-bit values from a blob into uninitialised pooled storage.
PooledBuffer DecodeLittleEndian32(const void* source, std::size_t count, BufferPool& pool) {
  PooledBuffer out = pool.acquire(count * 4);
  if (count == 0) return out;
  std::memcpy(out.data(), source, count * 4);
  LittleEndian32ToHost(out.data(), count);
  return out;
}

// Where a message points: a fixed text, or a function that makes it, so that loops over
// millions of rows build their row's description only when a check fails.
inline const std::string& Describe(const std::string& where) { return where; }
template <class MakeText>
std::string Describe(const MakeText& where) {
  return where();
}

// Typed reads of a result column; where says which row for the message.
template <class Where>
std::int64_t IntegerColumn(const Statement& statement, int column, const Where& where,
                           const char* name) {
  if (statement.columnType(column) != SQLITE_INTEGER) {
    Fail(Describe(where) + ": " + name + " is not an integer");
  }
  return statement.columnInt(column);
}

template <class Where>
int Int32Column(const Statement& statement, int column, const Where& where, const char* name) {
  std::int64_t value = IntegerColumn(statement, column, where, name);
  if (value < INT_MIN || value > INT_MAX) {
    Fail(Describe(where) + ": " + name + " " + std::to_string(value) +
         " is outside the 32-bit range");
  }
  return static_cast<int>(value);
}

template <class Where>
double RealColumn(const Statement& statement, int column, const Where& where, const char* name) {
  int type = statement.columnType(column);
  if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) {
    Fail(Describe(where) + ": " + name + " is not a number");
  }
  return statement.columnDouble(column);
}

// Whether a value of the given SQLite type is a BLOB; false when NULL and nullable.
template <class Where>
bool BlobPresent(int type, const Where& where, const char* name, bool nullable) {
  if (type == SQLITE_NULL) {
    if (nullable) return false;
    Fail(Describe(where) + ": " + name + " is missing (NULL)");
  }
  if (type != SQLITE_BLOB) Fail(Describe(where) + ": " + name + " is not a BLOB");
  return true;
}

// A BLOB column, or none when NULL and nullable.
template <class Where>
bool BlobColumn(const Statement& statement, int column, const Where& where, const char* name,
                bool nullable) {
  return BlobPresent(statement.columnType(column), where, name, nullable);
}

}  // namespace

// --- the open database -----------------------------------------------------------------

Connection OpenReadOnly(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) Fail(path + ": no such file");
    Fail(path + ": cannot access the file: " + std::strerror(errno));
  }
  if (S_ISDIR(info.st_mode)) Fail(path + ": is a directory, not a database file");
  if (!S_ISREG(info.st_mode)) Fail(path + ": is not a regular file");
  if (::access(path.c_str(), R_OK) != 0) {
    Fail(path + ": the file cannot be read: " + std::strerror(errno));
  }
  // Read-only whatever the caller asks for: the stand-in never changes a database. A
  // connection is only ever used by the thread that runs the conversion, so SQLite need not
  // lock it on every call (a lock pair per column read is a visible share of reading a mesh).
  Connection connection(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
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
  CheckSchema(connection, kCurrentFormat);

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
  return std::shared_ptr<Database>(new Database(std::move(connection), std::move(rowidName)));
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

using odbapi_detail::Quoted;

// --- mesh ------------------------------------------------------------------------------

odb_Node::odb_Node(int label, const float* xyz) : m_label(label) {
  for (int i = 0; i < 3; ++i) m_coordinates[i] = xyz[i];
}

odb_SequenceNode::odb_SequenceNode() : m_data(std::make_shared<NodeData>()) {}
odb_SequenceNode::odb_SequenceNode(std::shared_ptr<const NodeData> data) : m_data(std::move(data)) {
  if (!m_data) m_data = std::make_shared<NodeData>();
}

int odb_SequenceNode::size() const { return static_cast<int>(m_data->labels.size()); }

odb_Node odb_SequenceNode::operator[](int i) const {
  if (i < 0 || i >= size()) {
    Fail(m_data->path + ": node index " + std::to_string(i) + " is out of range for instance '" +
         m_data->instanceName.CStr() + "' with " + std::to_string(size()) + " nodes");
  }
  return odb_Node(m_data->labels[i], &m_data->coordinates[3 * static_cast<std::size_t>(i)]);
}

namespace {
const ElementData& CheckedElement(const ElementData* data, int index) {
  if (data == nullptr || index < 0 || static_cast<std::size_t>(index) >= data->labels.size()) {
    Fail((data != nullptr ? data->path : std::string("odb_Element")) + ": element index " +
         std::to_string(index) + " is out of range");
  }
  return *data;
}
}  // namespace

int odb_Element::label() const { return CheckedElement(m_data, m_index).labels[m_index]; }

odb_String odb_Element::type() const {
  const ElementData& data = CheckedElement(m_data, m_index);
  return data.types[data.typeIndex[m_index]];
}

const int* odb_Element::connectivity(int& count) const {
  const ElementData& data = CheckedElement(m_data, m_index);
  std::uint64_t begin = data.offsets[m_index];
  count = static_cast<int>(data.offsets[m_index + 1] - begin);
  return data.connectivity.data() + begin;
}

odb_SectionCategory odb_Element::sectionCategory() const {
  const ElementData& data = CheckedElement(m_data, m_index);
  return odb_SectionCategory(data.sections[data.sectionIndex[m_index]]);
}

int odb_Element::shape() const { return CheckedElement(m_data, m_index).shapes[m_index]; }

odb_String odb_Element::instanceName() const { return CheckedElement(m_data, m_index).instanceName; }

odb_SequenceElement::odb_SequenceElement() {
  auto empty = std::make_shared<ElementData>();
  empty->offsets.push_back(0);
  m_data = std::move(empty);
}
odb_SequenceElement::odb_SequenceElement(std::shared_ptr<const ElementData> data)
    : m_data(std::move(data)) {
  if (!m_data) {
    auto empty = std::make_shared<ElementData>();
    empty->offsets.push_back(0);
    m_data = std::move(empty);
  }
}

int odb_SequenceElement::size() const { return static_cast<int>(m_data->labels.size()); }

odb_Element odb_SequenceElement::operator[](int i) const {
  if (i < 0 || i >= size()) {
    Fail(m_data->path + ": element index " + std::to_string(i) + " is out of range for instance '" +
         m_data->instanceName.CStr() + "' with " + std::to_string(size()) + " elements");
  }
  return odb_Element(m_data.get(), i);
}

odb_String odb_SequenceElement::instanceName() const { return m_data->instanceName; }

odb_DiscreteEntity::odb_DiscreteEntity(std::shared_ptr<Database> db, long long id, odb_String name,
                                       int embeddedSpace)
    : m_db(std::move(db)), m_id(id), m_name(std::move(name)), m_embeddedSpace(embeddedSpace) {}

odb_SequenceNode odb_DiscreteEntity::nodes() const {
  auto data = std::make_shared<NodeData>();
  data->instanceName = m_name;
  if (!m_db) return odb_SequenceNode(std::move(data));
  data->path = m_db->path();
  const Connection& connection = m_db->connection();
  const std::string where = m_db->path() + ": instance " + Quoted(m_name.CStr());

  Statement count(connection, "SELECT count(*) FROM node WHERE instance_id = ?1");
  count.bindInt(1, m_id);
  if (count.step()) {
    auto n = static_cast<std::size_t>(count.columnInt(0));
    if (n > static_cast<std::size_t>(INT_MAX)) Fail(where + ": too many nodes");
    data->labels.reserve(n);
    data->coordinates.reserve(3 * n);
  }

  Statement rows(connection,
                 "SELECT seq, label, x, y, z FROM node WHERE instance_id = ?1 ORDER BY seq");
  rows.bindInt(1, m_id);
  while (rows.step()) {
    const auto row = [&] { return where + ", node seq " + std::to_string(rows.columnInt(0)); };
    data->labels.push_back(odbapi_detail::Int32Column(rows, 1, row, "label"));
    data->coordinates.push_back(static_cast<float>(odbapi_detail::RealColumn(rows, 2, row, "x")));
    data->coordinates.push_back(static_cast<float>(odbapi_detail::RealColumn(rows, 3, row, "y")));
    data->coordinates.push_back(static_cast<float>(odbapi_detail::RealColumn(rows, 4, row, "z")));
    if (data->labels.size() > static_cast<std::size_t>(INT_MAX)) Fail(where + ": too many nodes");
  }
  return odb_SequenceNode(std::move(data));
}

odb_SequenceElement odb_DiscreteEntity::elements() const {
  auto data = std::make_shared<ElementData>();
  data->instanceName = m_name;
  data->offsets.push_back(0);
  if (!m_db) return odb_SequenceElement(std::move(data));
  data->path = m_db->path();
  const Connection& connection = m_db->connection();
  const std::string where = m_db->path() + ": instance " + Quoted(m_name.CStr());

  constexpr std::size_t kReservedNodesPerElement = 64;
  std::size_t elementCount = 0;
  Statement count(connection, "SELECT count(*) FROM element WHERE instance_id = ?1");
  count.bindInt(1, m_id);
  if (count.step()) {
    auto n = static_cast<std::size_t>(count.columnInt(0));
    if (n > static_cast<std::size_t>(INT_MAX)) Fail(where + ": too many elements");
    data->labels.reserve(n);
    data->typeIndex.reserve(n);
    data->shapes.reserve(n);
    data->sectionIndex.reserve(n);
    data->offsets.reserve(n + 1);
    elementCount = n;
  }

  // Small string tables: one entry per distinct type name and section category.
  odbapi_detail::TextTable typeIndex(data->types);
  odbapi_detail::TextTable sectionIndex(data->sections);

  Statement rows(connection,
                 "SELECT seq, label, type, shape, section_category, connectivity FROM element "
                 "WHERE instance_id = ?1 ORDER BY seq");
  rows.bindInt(1, m_id);
  std::vector<int>& connectivity = data->connectivity;
  while (rows.step()) {
    const auto row = [&] { return where + ", element seq " + std::to_string(rows.columnInt(0)); };
    int label = odbapi_detail::Int32Column(rows, 1, row, "label");
    int shape = odbapi_detail::Int32Column(rows, 3, row, "shape");
    odbapi_detail::BlobColumn(rows, 5, row, "connectivity", false);
    std::size_t bytes = rows.columnBytes(5);
    if (bytes % 4 != 0) {
      Fail(row() + " (label " + std::to_string(label) + "): connectivity holds " +
           std::to_string(bytes) + " bytes, not a whole number of 4-byte node labels");
    }
    // Room for every element at the first one's node count: a mesh of one kind fills the
    // connectivity without copying it again and again as it grows. Capped per element, so a
    // first element of absurd size cannot make the reservation fail where reading would not.
    if (data->labels.empty()) {
      connectivity.reserve(elementCount * std::min<std::size_t>(bytes / 4, kReservedNodesPerElement));
    }
    odbapi_detail::AppendLittleEndian32(rows.columnBlob(5), bytes / 4, connectivity);
    data->labels.push_back(label);
    data->typeIndex.push_back(typeIndex.Intern(rows.columnTextView(2)));
    data->shapes.push_back(shape);
    data->sectionIndex.push_back(sectionIndex.Intern(rows.columnTextView(4)));
    data->offsets.push_back(connectivity.size());
    if (data->labels.size() > static_cast<std::size_t>(INT_MAX)) Fail(where + ": too many elements");
  }
  // Elements with fewer nodes than the first leave room unused.
  if (data->connectivity.capacity() - data->connectivity.size() > data->connectivity.size() / 4) {
    data->connectivity.shrink_to_fit();
  }
  return odb_SequenceElement(std::move(data));
}

// --- results ---------------------------------------------------------------------------

const odb_FieldLocation& odb_SequenceFieldLocation::constGet(int i) const {
  if (i < 0 || i >= size()) {
    Fail("location index " + std::to_string(i) + " is out of range (the field output has " +
         std::to_string(size()) + " locations)");
  }
  return m_locations[i];
}

odb_FieldBulkData::odb_FieldBulkData(std::shared_ptr<const BulkBlockData> data)
    : m_data(std::move(data)) {
  if (!m_data) m_data = std::make_shared<BulkBlockData>();
}

int odb_FieldBulkData::length() const { return m_data->length; }
int odb_FieldBulkData::width() const { return m_data->width; }
const float* odb_FieldBulkData::data() const { return static_cast<const float*>(m_data->data.data()); }

const int* odb_FieldBulkData::nodeLabels() const {
  if (!m_data->hasNodeLabels) {
    if (m_data->length == 0) return nullptr;
    Fail(m_data->path + ": " + m_data->context + ": the block has no node labels");
  }
  return static_cast<const int*>(m_data->nodeLabels.data());
}

const int* odb_FieldBulkData::elementLabels() const {
  if (!m_data->hasElementLabels) {
    if (m_data->length == 0) return nullptr;
    Fail(m_data->path + ": " + m_data->context + ": the block has no element labels");
  }
  return static_cast<const int*>(m_data->elementLabels.data());
}

int odb_FieldBulkData::numberOfElements() const { return m_data->elementCount; }
const odb_Instance& odb_FieldBulkData::instance() const { return m_data->instance; }
odb_String odb_FieldBulkData::baseElementType() const { return m_data->elementType; }
odb_SectionPoint odb_FieldBulkData::sectionPoint() const { return odb_SectionPoint(m_data->sectionPoint); }

const odb_FieldBulkData& odb_SequenceFieldBulkData::operator[](int i) const {
  if (i < 0 || i >= size()) {
    Fail("block index " + std::to_string(i) + " is out of range (the field output has " +
         std::to_string(size()) + " blocks)");
  }
  return m_blocks[i];
}

odb_FieldOutput::odb_FieldOutput(std::shared_ptr<Database> db,
                                 std::shared_ptr<const FieldOutputRecord> record)
    : m_db(std::move(db)), m_record(std::move(record)) {
  if (!m_record) m_record = std::make_shared<FieldOutputRecord>();
}

namespace {
const FieldOutputRecord& RecordOf(const std::shared_ptr<const FieldOutputRecord>& record) {
  static const FieldOutputRecord empty;
  return record ? *record : empty;
}
}  // namespace

odb_String odb_FieldOutput::name() const { return RecordOf(m_record).name; }
odb_String odb_FieldOutput::description() const { return RecordOf(m_record).description; }
odb_Enum::odb_DataTypeEnum odb_FieldOutput::type() const {
  return static_cast<odb_Enum::odb_DataTypeEnum>(RecordOf(m_record).type);
}
odb_SequenceFieldValue odb_FieldOutput::values() const { return odb_SequenceFieldValue(0); }

odb_SequenceFieldLocation odb_FieldOutput::locations() const {
  odb_SequenceFieldLocation locations;
  if (RecordOf(m_record).hasPosition) locations.append(odb_FieldLocation(m_record->position));
  return locations;
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
// length, element_count.
constexpr const char* kBlockHeadColumns =
    "SELECT instance, element_type, section_point, width, length, element_count, ";

// A block with its context and the first six columns of its row read and checked.
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
  block->sectionPoint = odb_String(rows.columnText(2));
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
  block->width = static_cast<int>(width);
  block->length = static_cast<int>(length);
  block->elementCount = static_cast<int>(elementCount);
  return block;
}

// The number of data values of a block after checking that the data blob (of the given type
// and bytes) holds exactly length x width of them.
std::uint64_t CheckedDataValues(const BulkBlockData& block, int type, std::uint64_t bytes) {
  const std::string where = block.path + ": " + block.context;
  // Both factors fit 31 bits, so the byte count fits 64 bits unsigned.
  const std::uint64_t values =
      static_cast<std::uint64_t>(block.length) * static_cast<std::uint64_t>(block.width);
  BlobPresent(type, where, "data", false);
  if (bytes != values * 4) {
    Fail(where + ": data holds " + std::to_string(bytes) + " bytes, expected " +
         std::to_string(values * 4) + " for " + std::to_string(block.length) + " rows of width " +
         std::to_string(block.width));
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
                 std::string(kBlockHeadColumns) +
                     "data, node_labels, element_labels FROM bulk_block WHERE field_output_id = ?1 "
                     "ORDER BY seq");
  rows.bindInt(1, record.id);
  int index = 0;
  while (rows.step()) {
    std::string instanceName;
    std::shared_ptr<BulkBlockData> block = BlockHead(rows, db->path(), record, index, instanceName);
    std::uint64_t values = CheckedDataValues(*block, rows.columnType(6), rows.columnBytes(6));
    block->data = DecodeLittleEndian32(rows.columnBlob(6), static_cast<std::size_t>(values), pool);
    if (CheckedLabels(*block, "node_labels", rows.columnType(7), rows.columnBytes(7))) {
      block->hasNodeLabels = true;
      block->nodeLabels = DecodeLittleEndian32(rows.columnBlob(7), rows.columnBytes(7) / 4, pool);
    }
    if (CheckedLabels(*block, "element_labels", rows.columnType(8), rows.columnBytes(8))) {
      block->hasElementLabels = true;
      block->elementLabels = DecodeLittleEndian32(rows.columnBlob(8), rows.columnBytes(8) / 4, pool);
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
                 std::string(kBlockHeadColumns) +
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
                      PooledBuffer& out) {
    if (bytes > lengthLimit) return false;
    out = pool.acquire(static_cast<std::size_t>(bytes));
    if (bytes == 0) return true;
    if (!reader.read(rowid, out.data(), bytes)) return false;
    LittleEndian32ToHost(out.data(), static_cast<std::size_t>(bytes / 4));
    return true;
  };

  int index = 0;
  while (rows.step()) {
    std::string instanceName;
    std::shared_ptr<BulkBlockData> block = BlockHead(rows, db->path(), record, index, instanceName);
    if (rows.columnType(12) != SQLITE_INTEGER) return false;
    const std::int64_t rowid = rows.columnInt(12);
    auto blobType = [&](int column) { return TypeOfText(rows.columnText(column)); };
    auto blobBytes = [&](int column) { return static_cast<std::uint64_t>(rows.columnInt(column)); };

    std::uint64_t values = CheckedDataValues(*block, blobType(6), blobBytes(7));
    if (!readBlob(dataReader, rowid, values * 4, block->data)) return false;
    if (CheckedLabels(*block, "node_labels", blobType(8), blobBytes(9))) {
      block->hasNodeLabels = true;
      if (!readBlob(nodeLabelReader, rowid, blobBytes(9), block->nodeLabels)) return false;
    }
    if (CheckedLabels(*block, "element_labels", blobType(10), blobBytes(11))) {
      block->hasElementLabels = true;
      if (!readBlob(elementLabelReader, rowid, blobBytes(11), block->elementLabels)) return false;
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

const odb_Frame& odb_SequenceFrame::operator[](int i) const {
  if (i < 0 || i >= size()) {
    Fail("frame index " + std::to_string(i) + " is out of range (the step has " +
         std::to_string(size()) + " frames)");
  }
  return m_frames[i];
}

// --- the database ----------------------------------------------------------------------

odb_Odb::odb_Odb(std::shared_ptr<Database> db) : m_db(std::move(db)) {
  if (!m_db) Fail("odb_Odb: no database");
  const Connection& connection = m_db->connection();
  const std::string& path = m_db->path();

  // Instances, ascending id; names are keys.
  {
    Statement rows(connection, "SELECT id, name, embedded_space FROM instance ORDER BY id");
    while (rows.step()) {
      std::int64_t id = rows.columnInt(0);
      std::string name = rows.columnText(1);
      const std::string where = path + ": instance " + Quoted(name);
      int space = odbapi_detail::Int32Column(rows, 2, where, "embedded_space");
      if (m_rootAssembly.instances().isMember(odb_String(name))) {
        Fail(path + ": the instance name " + Quoted(name) + " appears more than once");
      }
      m_rootAssembly.instances().add(odb_String(name), odb_Instance(m_db, id, odb_String(name), space));
      m_db->registerInstance(name, Database::InstanceInfo{id, space});
    }
  }

  // Steps, ascending id, with their frames in seq order and field outputs in id order.
  std::vector<odb_Step> steps;
  std::map<std::int64_t, std::size_t> stepById;
  {
    std::set<std::string> names;
    Statement rows(connection, "SELECT id, name FROM step ORDER BY id");
    while (rows.step()) {
      std::string name = rows.columnText(1);
      if (!names.insert(name).second) {
        Fail(path + ": the step name " + Quoted(name) + " appears more than once");
      }
      stepById[rows.columnInt(0)] = steps.size();
      steps.emplace_back(odb_String(name));
    }
  }
  std::map<std::pair<std::int64_t, std::int64_t>, std::pair<std::size_t, int>> frameByKey;
  {
    Statement rows(connection,
                   "SELECT step_id, seq, description, frame_value FROM frame ORDER BY step_id, seq");
    while (rows.step()) {
      std::string where = path + ": frame";
      std::int64_t stepId = odbapi_detail::IntegerColumn(rows, 0, where, "step_id");
      std::int64_t seq = odbapi_detail::IntegerColumn(rows, 1, where, "seq");
      where += " seq " + std::to_string(seq) + " of step id " + std::to_string(stepId);
      auto step = stepById.find(stepId);
      if (step == stepById.end()) Fail(where + ": there is no step with that id");
      double value = odbapi_detail::RealColumn(rows, 3, where, "frame_value");
      odb_SequenceFrame& frames = steps[step->second].frames();
      int index = frames.size();
      frames.append(odb_Frame(index, odb_String(rows.columnText(2)), static_cast<float>(value)));
      frameByKey[{stepId, seq}] = {step->second, index};
    }
  }
  {
    Statement rows(connection,
                   "SELECT id, step_id, frame_seq, name, description, type, position "
                   "FROM field_output ORDER BY id");
    while (rows.step()) {
      auto record = std::make_shared<FieldOutputRecord>();
      record->id = rows.columnInt(0);
      std::string name = rows.columnText(3);
      const std::string where =
          path + ": field output " + Quoted(name) + " (id " + std::to_string(record->id) + ")";
      std::int64_t stepId = odbapi_detail::IntegerColumn(rows, 1, where, "step_id");
      std::int64_t frameSeq = odbapi_detail::IntegerColumn(rows, 2, where, "frame_seq");
      auto frame = frameByKey.find({stepId, frameSeq});
      if (frame == frameByKey.end()) {
        Fail(where + " has no frame: there is no frame seq " + std::to_string(frameSeq) +
             " of step id " + std::to_string(stepId));
      }
      odb_Step& step = steps[frame->second.first];
      record->name = odb_String(name);
      record->description = odb_String(rows.columnText(4));
      record->type = odbapi_detail::Int32Column(rows, 5, where, "type");
      if (rows.columnType(6) != SQLITE_NULL) {
        record->hasPosition = true;
        record->position = odbapi_detail::Int32Column(rows, 6, where, "position");
      }
      record->stepName = step.name().CStr();
      record->frameIndex = frame->second.second;
      odb_FieldOutputRepository& outputs =
          const_cast<odb_Frame&>(step.frames()[record->frameIndex]).fieldOutputs();
      if (outputs.isMember(record->name)) {
        Fail(path + ": the field output name " + Quoted(name) + " appears more than once in frame " +
             std::to_string(record->frameIndex) + " of step " + Quoted(record->stepName));
      }
      const odb_String key = record->name;
      outputs.add(key, odb_FieldOutput(m_db, std::move(record)));
    }
  }
  for (odb_Step& step : steps) {
    const odb_String key = step.name();
    m_steps.add(key, std::move(step));
  }
}

odb_Odb::~odb_Odb() {
  if (m_db) m_db->close();
}

odb_String odb_Odb::name() const { return odb_String(m_db->path()); }

// --- the session -----------------------------------------------------------------------

namespace {

struct Session {
  bool initialized = false;
  std::vector<std::unique_ptr<odb_Odb>> open;
};

Session& TheSession() {
  static Session session;
  return session;
}

}  // namespace

void odb_initializeAPI() { TheSession().initialized = true; }

void odb_finalizeAPI() {
  Session& session = TheSession();
  session.open.clear();
  session.initialized = false;
}

odb_Odb& openOdb(const odb_String& path, bool /*readOnly*/) {
  Session& session = TheSession();
  if (!session.initialized) {
    Fail(std::string(path.CStr()) + ": odb_initializeAPI must be called before openOdb");
  }
  auto odb = std::make_unique<odb_Odb>(Database::Open(path.CStr()));
  session.open.push_back(std::move(odb));
  return *session.open.back();
}

bool isUpgradeRequiredForOdb(const odb_String& path) {
  Connection connection = odbapi_detail::OpenReadOnly(path.CStr());
  int format = odbapi_detail::ReadFormat(connection);
  if (format == odbapi_detail::kPreviousFormat) return true;
  if (format == odbapi_detail::kCurrentFormat) return false;
  odbapi_detail::FailUnknownFormat(path.CStr(), format);
}
