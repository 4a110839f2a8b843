// Meshes in the row layout: a row per node and per element, read into the flat arrays of a
// sequence.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "column_reads.h"
#include "odbapi_detail.h"
#include "text_table.h"

namespace odbapi_detail {

void ReadNodeRows(const Connection& connection, std::int64_t instanceId, const std::string& where,
                  NodeData& data) {
  Statement count = InstanceQuery(connection, "SELECT count(*) FROM node WHERE instance_id = ?1",
                                  instanceId);
  if (count.step()) {
    auto n = static_cast<std::size_t>(count.columnInt(0));
    if (n > static_cast<std::size_t>(INT_MAX)) Fail(where + ": too many nodes");
    data.reserve(n);
  }

  Statement rows = InstanceQuery(
      connection, "SELECT seq, label, x, y, z FROM node WHERE instance_id = ?1 ORDER BY seq",
      instanceId);
  while (rows.step()) {
    const auto row = [&] { return where + ", node seq " + std::to_string(rows.columnInt(0)); };
    data.labels.push_back(Int32Column(rows, 1, row, "label"));
    data.coordinates.push_back(static_cast<float>(RealColumn(rows, 2, row, "x")));
    data.coordinates.push_back(static_cast<float>(RealColumn(rows, 3, row, "y")));
    data.coordinates.push_back(static_cast<float>(RealColumn(rows, 4, row, "z")));
    if (data.labels.size() > static_cast<std::size_t>(INT_MAX)) Fail(where + ": too many nodes");
  }
}

void ReadElementRows(const Connection& connection, std::int64_t instanceId,
                     const std::string& where, ElementData& data) {
  constexpr std::size_t kReservedNodesPerElement = 64;
  std::size_t elementCount = 0;
  Statement count = InstanceQuery(
      connection, "SELECT count(*) FROM element WHERE instance_id = ?1", instanceId);
  if (count.step()) {
    auto n = static_cast<std::size_t>(count.columnInt(0));
    if (n > static_cast<std::size_t>(INT_MAX)) Fail(where + ": too many elements");
    data.reserve(n);
    elementCount = n;
  }

  // Small string tables: one entry per distinct type name and section category.
  TextTable typeIndex(data.types);
  TextTable sectionIndex(data.sections);

  Statement rows = InstanceQuery(connection,
                                 "SELECT seq, label, type, shape, section_category, connectivity"
                                 " FROM element WHERE instance_id = ?1 ORDER BY seq",
                                 instanceId);
  std::vector<int>& connectivity = data.connectivity;
  while (rows.step()) {
    const auto row = [&] { return where + ", element seq " + std::to_string(rows.columnInt(0)); };
    int label = Int32Column(rows, 1, row, "label");
    int shape = Int32Column(rows, 3, row, "shape");
    BlobColumn(rows, 5, row, "connectivity", false);
    std::size_t bytes = rows.columnBytes(5);
    if (bytes % 4 != 0) {
      Fail(row() + " (label " + std::to_string(label) + "): connectivity holds " +
           std::to_string(bytes) + " bytes, not a whole number of 4-byte node labels");
    }
    // Room for every element at the first one's node count: a mesh of one kind fills the
    // connectivity without copying it again and again as it grows. Capped per element, so a
    // first element of absurd size cannot make the reservation fail where reading would not.
    if (data.labels.empty()) {
      connectivity.reserve(elementCount * std::min<std::size_t>(bytes / 4, kReservedNodesPerElement));
    }
    AppendLittleEndian32(rows.columnBlob(5), bytes / 4, connectivity);
    data.labels.push_back(label);
    data.typeIndex.push_back(typeIndex.Intern(rows.columnTextView(2)));
    data.shapes.push_back(shape);
    data.sectionIndex.push_back(sectionIndex.Intern(rows.columnTextView(4)));
    data.offsets.push_back(connectivity.size());
    if (data.labels.size() > static_cast<std::size_t>(INT_MAX)) Fail(where + ": too many elements");
  }
  // Elements with fewer nodes than the first leave room unused.
  if (data.connectivity.capacity() - data.connectivity.size() > data.connectivity.size() / 4) {
    data.connectivity.shrink_to_fit();
  }
}

}  // namespace odbapi_detail
