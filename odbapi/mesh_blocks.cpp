// Meshes in the block layout: an instance's nodes and elements in blocks of many, read into the
// flat arrays of a sequence with a few steps per instance instead of one per node.
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "column_reads.h"
#include "odbapi_detail.h"
#include "text_table.h"

namespace odbapi_detail {
namespace {

constexpr std::size_t kMaxCount = static_cast<std::size_t>(INT_MAX);

// The number of 4-byte labels in a block's labels blob.
template <class Where>
std::size_t LabelCount(const Statement& blocks, int column, const Where& block, const char* what) {
  BlobColumn(blocks, column, block, "labels", false);
  const std::size_t bytes = blocks.columnBytes(column);
  if (bytes % 4 != 0) {
    Fail(block() + ": labels holds " + std::to_string(bytes) +
         " bytes, not a whole number of 4-byte " + what + " labels");
  }
  return bytes / 4;
}

// The total of a column's blob lengths over an instance's blocks, in 4-byte values: the room
// the arrays need. The lengths come from the records alone, without reading a blob, and they
// are the file's own bytes, so the room is never more than reading would take.
std::size_t ValueCount(const Connection& connection, const char* sql, std::int64_t instanceId) {
  Statement total = InstanceQuery(connection, sql, instanceId);
  if (!total.step() || total.columnType(0) != SQLITE_INTEGER) return 0;
  const std::int64_t bytes = total.columnInt(0);
  return bytes > 0 ? static_cast<std::size_t>(bytes / 4) : 0;
}

}  // namespace

void ReadNodeBlocks(const Connection& connection, std::int64_t instanceId,
                    const std::string& where, NodeData& data) {
  const std::size_t reserved = ValueCount(
      connection, "SELECT sum(length(labels)) FROM node_block WHERE instance_id = ?1", instanceId);
  if (reserved > kMaxCount) Fail(where + ": too many nodes");
  data.reserve(reserved);

  Statement blocks = InstanceQuery(
      connection,
      "SELECT seq, labels, coordinates FROM node_block WHERE instance_id = ?1 ORDER BY seq",
      instanceId);
  while (blocks.step()) {
    const auto block = [&] {
      return where + ", node block " + std::to_string(blocks.columnInt(0));
    };
    const std::size_t count = LabelCount(blocks, 1, block, "node");
    BlobColumn(blocks, 2, block, "coordinates", false);
    const std::uint64_t bytes = blocks.columnBytes(2);
    const std::uint64_t expected = 12 * static_cast<std::uint64_t>(count);
    if (bytes != expected) {
      Fail(block() + ": coordinates holds " + std::to_string(bytes) + " bytes, expected " +
           std::to_string(expected) + " for " + std::to_string(count) + " nodes");
    }
    if (count > kMaxCount - data.labels.size()) Fail(where + ": too many nodes");
    AppendLittleEndian32(blocks.columnBlob(1), count, data.labels);
    AppendLittleEndian32(blocks.columnBlob(2), 3 * count, data.coordinates);
  }
}

void ReadElementBlocks(const Connection& connection, std::int64_t instanceId,
                       const std::string& where, ElementData& data) {
  const std::size_t reserved = ValueCount(
      connection, "SELECT sum(length(labels)) FROM element_block WHERE instance_id = ?1",
      instanceId);
  if (reserved > kMaxCount) Fail(where + ": too many elements");
  data.reserve(reserved);
  data.connectivity.reserve(ValueCount(
      connection, "SELECT sum(length(connectivity)) FROM element_block WHERE instance_id = ?1",
      instanceId));

  // Small string tables: one entry per distinct type name and section category.
  TextTable typeIndex(data.types);
  TextTable sectionIndex(data.sections);

  Statement blocks = InstanceQuery(connection,
                                   "SELECT seq, type, shape, section_category, node_count, labels,"
                                   " connectivity FROM element_block WHERE instance_id = ?1"
                                   " ORDER BY seq",
                                   instanceId);
  while (blocks.step()) {
    const auto block = [&] {
      return where + ", element block " + std::to_string(blocks.columnInt(0));
    };
    const int shape = Int32Column(blocks, 2, block, "shape");
    const int nodeCount = Int32Column(blocks, 4, block, "node_count");
    if (nodeCount < 0) Fail(block() + ": node_count " + std::to_string(nodeCount) + " is negative");
    const std::size_t count = LabelCount(blocks, 5, block, "element");
    BlobColumn(blocks, 6, block, "connectivity", false);
    const std::uint64_t bytes = blocks.columnBytes(6);
    const std::uint64_t expected = 4 * static_cast<std::uint64_t>(nodeCount) * count;
    if (bytes != expected) {
      Fail(block() + ": connectivity holds " + std::to_string(bytes) + " bytes, expected " +
           std::to_string(expected) + " for " + std::to_string(count) + " elements of " +
           std::to_string(nodeCount) + " nodes");
    }
    if (count > kMaxCount - data.labels.size()) Fail(where + ": too many elements");

    const std::uint32_t type = typeIndex.Intern(blocks.columnTextView(1));
    const std::uint32_t section = sectionIndex.Intern(blocks.columnTextView(3));
    AppendLittleEndian32(blocks.columnBlob(5), count, data.labels);
    AppendLittleEndian32(blocks.columnBlob(6), count * static_cast<std::size_t>(nodeCount),
                         data.connectivity);
    data.typeIndex.insert(data.typeIndex.end(), count, type);
    data.shapes.insert(data.shapes.end(), count, shape);
    data.sectionIndex.insert(data.sectionIndex.end(), count, section);
    for (std::size_t i = 0; i < count; ++i) data.offsets.push_back(data.offsets.back() + nodeCount);
  }
}

}  // namespace odbapi_detail
