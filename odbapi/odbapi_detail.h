// Internal records of the stand-in: what a sequence, a block or a field output holds, and
// the open database behind them. Not part of the public API.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "buffer_pool.h"
#include "mesh_layout.h"
#include "odb_API.h"
#include "sqlite_handle.h"

namespace odbapi_detail {

// The format that openOdb reads; kPreviousFormat needs upgradeOdb first.
constexpr int kCurrentFormat = 2;
constexpr int kPreviousFormat = 1;

// Nodes of one instance, in seq order: flat arrays.
struct NodeData {
  std::string path;
  odb_String instanceName;
  std::vector<int> labels;
  std::vector<float> coordinates;  // x, y, z per node

  void reserve(std::size_t count) {
    labels.reserve(count);
    coordinates.reserve(3 * count);
  }
};

// Elements of one instance, in seq order: flat arrays, no object per element.
struct ElementData {
  std::string path;
  odb_String instanceName;
  std::vector<int> labels;
  std::vector<std::uint32_t> typeIndex;     // into types
  std::vector<int> shapes;
  std::vector<std::uint32_t> sectionIndex;  // into sections
  std::vector<std::uint64_t> offsets;       // size()+1 offsets into connectivity
  std::vector<int> connectivity;
  std::vector<odb_String> types;
  std::vector<odb_String> sections;

  // Room for count elements, their connectivity aside.
  void reserve(std::size_t count) {
    labels.reserve(count);
    typeIndex.reserve(count);
    shapes.reserve(count);
    sectionIndex.reserve(count);
    offsets.reserve(count + 1);
  }
};

// One bulk block, read and checked. The arrays are little-endian-decoded values in
// pooled storage, returned to the database's pool when the block goes.
struct BulkBlockData {
  std::string path;
  std::string context;  // "field output 'S' (step 'Step-1', frame 1), block 2"
  odb_Instance instance;
  odb_String elementType;
  odb_SectionPoint sectionPoint;
  int length = 0;
  int width = 0;
  int elementCount = 0;
  bool doublePrecision = false;
  PooledBuffer data;  // float values, or double values for a double-precision block
  bool hasNodeLabels = false;
  PooledBuffer nodeLabels;  // int
  bool hasElementLabels = false;
  PooledBuffer elementLabels;  // int
  odb_SequenceString componentLabels;
};

// The solver's own component labels of a field output named name: name followed by 11 22 33
// 12 13 23 for TENSOR_3D_FULL, 11 22 33 12 for TENSOR_3D_PLANAR, 11 22 12 for the surface and
// 2-D tensors, 1 2 3 for VECTOR, when width is that many (or -1: whatever the width); none
// otherwise.
odb_SequenceString SolverComponentLabels(const odb_String& name, int dataType, int width);

struct FieldOutputRecord {
  std::int64_t id = 0;
  odb_String name;
  odb_String description;
  int type = 0;
  odb_SequenceFieldLocation locations;  // the first location's position, or none
  std::string stepName;
  int frameIndex = 0;
};

// An open database: the read-only connection and the instances by name (for blocks).
class Database {
 public:
  // Opens path read-only and checks that it is a current-format database with every table
  // and column. Throws naming the path otherwise.
  static std::shared_ptr<Database> Open(const std::string& path);

  // Whether the meshes are kept in blocks rather than a row per node and per element.
  bool meshInBlocks() const { return m_meshInBlocks; }

  const std::string& path() const { return m_connection.path(); }
  const Connection& connection() const;
  // Ends all reading; later reads throw.
  void close() noexcept { m_connection.close(); }

  struct InstanceInfo {
    std::int64_t id;
    int embeddedSpace;
  };
  void registerInstance(const std::string& name, InstanceInfo info) { m_instances[name] = info; }
  const InstanceInfo* findInstance(const std::string& name) const;

  // Storage for bulk data, reused from one field output to the next.
  const std::shared_ptr<BufferPool>& bufferPool() const { return m_pool; }
  // A name that selects bulk_block's rowid (rowid, _rowid_ or oid, whichever no column of the
  // table hides), or empty when each is a column name: then blobs are read as plain columns.
  const std::string& bulkRowidName() const { return m_bulkRowidName; }
  // Whether bulk_block has the optional precision column.
  bool bulkHasPrecision() const { return m_bulkHasPrecision; }
  // Whether bulk_block has the optional component_labels column.
  bool bulkHasComponentLabels() const { return m_bulkHasComponentLabels; }

 private:
  Database(Connection connection, bool meshInBlocks, std::string bulkRowidName,
           bool bulkHasPrecision, bool bulkHasComponentLabels)
      : m_connection(std::move(connection)),
        m_meshInBlocks(meshInBlocks),
        m_pool(BufferPool::Create()),
        m_bulkRowidName(std::move(bulkRowidName)),
        m_bulkHasPrecision(bulkHasPrecision),
        m_bulkHasComponentLabels(bulkHasComponentLabels) {}
  Connection m_connection;
  bool m_meshInBlocks;
  std::map<std::string, InstanceInfo> m_instances;
  std::shared_ptr<BufferPool> m_pool;
  std::string m_bulkRowidName;
  bool m_bulkHasPrecision = false;
  bool m_bulkHasComponentLabels = false;
};

// Opens path read-only after checking it exists and is a regular file.
Connection OpenReadOnly(const std::string& path);
// PRAGMA user_version of an open database.
int ReadFormat(const Connection& connection);
// Throws the text for a format other than the current and the previous one.
[[noreturn]] void FailUnknownFormat(const std::string& path, int format);
using odbapi::MeshLayout;
// The layout of an open file: blocks where it has a node_block table.
MeshLayout MeshLayoutOf(const Connection& connection);
// Checks every table and column of the given format and layout; throws naming what is missing.
void CheckSchema(const Connection& connection, int format, MeshLayout layout = MeshLayout::kRows);
// CREATE TABLE statements of a format (1 has no element.shape column) and layout, without
// the user_version pragma.
std::string SchemaSql(int format, MeshLayout layout = MeshLayout::kRows);

// A statement of sql whose ?1 is bound to an instance's id.
inline Statement InstanceQuery(const Connection& connection, const char* sql,
                               std::int64_t instanceId) {
  Statement statement(connection, sql);
  statement.bindInt(1, instanceId);
  return statement;
}

// The nodes and elements of an instance, appended to data, from rows or from blocks. where
// names the instance in messages.
void ReadNodeRows(const Connection& connection, std::int64_t instanceId, const std::string& where,
                  NodeData& data);
void ReadNodeBlocks(const Connection& connection, std::int64_t instanceId,
                    const std::string& where, NodeData& data);
void ReadElementRows(const Connection& connection, std::int64_t instanceId,
                     const std::string& where, ElementData& data);
void ReadElementBlocks(const Connection& connection, std::int64_t instanceId,
                       const std::string& where, ElementData& data);

}  // namespace odbapi_detail
