// Meshes: the nodes and elements of an instance, read on request into flat arrays by the
// reader of the database's format.
#include <cstdint>
#include <string>
#include <utility>

#include "column_reads.h"
#include "odbapi_detail.h"

using odbapi_detail::Database;
using odbapi_detail::ElementData;
using odbapi_detail::Fail;
using odbapi_detail::NodeData;
using odbapi_detail::Quoted;


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
  const std::string where = m_db->path() + ": instance " + Quoted(m_name.CStr());
  if (m_db->meshInBlocks()) {
    odbapi_detail::ReadNodeBlocks(m_db->connection(), m_id, where, *data);
  } else {
    odbapi_detail::ReadNodeRows(m_db->connection(), m_id, where, *data);
  }
  return odb_SequenceNode(std::move(data));
}

odb_SequenceElement odb_DiscreteEntity::elements() const {
  auto data = std::make_shared<ElementData>();
  data->instanceName = m_name;
  data->offsets.push_back(0);
  if (!m_db) return odb_SequenceElement(std::move(data));
  data->path = m_db->path();
  const std::string where = m_db->path() + ": instance " + Quoted(m_name.CStr());
  if (m_db->meshInBlocks()) {
    odbapi_detail::ReadElementBlocks(m_db->connection(), m_id, where, *data);
  } else {
    odbapi_detail::ReadElementRows(m_db->connection(), m_id, where, *data);
  }
  return odb_SequenceElement(std::move(data));
}
