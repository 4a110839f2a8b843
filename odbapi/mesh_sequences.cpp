// Meshes: the nodes and elements of an instance, read on request into flat arrays.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "column_reads.h"
#include "odbapi_detail.h"

using odbapi_detail::Connection;
using odbapi_detail::Database;
using odbapi_detail::ElementData;
using odbapi_detail::Fail;
using odbapi_detail::NodeData;
using odbapi_detail::Quoted;
using odbapi_detail::Statement;

namespace {

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

}  // namespace

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

const int* odb_Element::connectivity(int& nodeCount) const {
  const ElementData& data = CheckedElement(m_data, m_index);
  std::uint64_t begin = data.offsets[m_index];
  nodeCount = static_cast<int>(data.offsets[m_index + 1] - begin);
  return data.connectivity.data() + begin;
}

odb_SectionCategory odb_Element::sectionCategory() const {
  const ElementData& data = CheckedElement(m_data, m_index);
  return odb_SectionCategory(data.sections[data.sectionIndex[m_index]]);
}

odb_Enum::odb_ElementGeometryClass odb_Element::geometry() const {
  return static_cast<odb_Enum::odb_ElementGeometryClass>(CheckedElement(m_data, m_index).shapes[m_index]);
}

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
  TextTable typeIndex(data->types);
  TextTable sectionIndex(data->sections);

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
