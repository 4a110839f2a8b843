// The mesh side of the ODB API: nodes, elements, part instances and the root assembly.
#pragma once

#include <memory>

#include "odb_Repository.h"
#include "odb_String.h"

namespace odbapi_detail {
class Database;
struct NodeData;
struct ElementData;
}  // namespace odbapi_detail

class odb_Node {
 public:
  odb_Node() = default;
  odb_Node(int label, const float* xyz);
  int label() const { return m_label; }
  // Three single-precision coordinates.
  const float* coordinates() const { return m_coordinates; }

 private:
  int m_label = 0;
  float m_coordinates[3] = {0, 0, 0};
};

// The nodes of an instance. The stand-in builds each node on request from flat arrays, so
// nodes are handed out by value.
class odb_SequenceNode {
 public:
  odb_SequenceNode();
  explicit odb_SequenceNode(std::shared_ptr<const odbapi_detail::NodeData> data);
  int size() const;
  // Throw odb_Exception for an index outside 0..size-1.
  odb_Node operator[](int i) const;
  odb_Node node(int i) const { return (*this)[i]; }
  odb_Node constGet(int i) const { return (*this)[i]; }

 private:
  std::shared_ptr<const odbapi_detail::NodeData> m_data;
};

class odb_SectionCategory {
 public:
  odb_SectionCategory() = default;
  explicit odb_SectionCategory(odb_String name) : m_name(std::move(name)) {}
  odb_String name() const { return m_name; }

 private:
  odb_String m_name;
};

// An element read from an element sequence; valid while that sequence exists.
class odb_Element {
 public:
  odb_Element(const odbapi_detail::ElementData* data, int index) : m_data(data), m_index(index) {}
  int label() const;
  odb_String type() const;
  // The node labels of the element; nodeCount receives how many there are.
  const int* connectivity(int& nodeCount) const;
  odb_SectionCategory sectionCategory() const;
  odb_String instanceName() const;
  // The element's topology: its stored shape code as the vendor's geometry class (a stored
  // code outside the class's values is passed on as it is).
  odb_Enum::odb_ElementGeometryClass geometry() const;

 private:
  const odbapi_detail::ElementData* m_data;
  int m_index;
};

class odb_SequenceElement {
 public:
  odb_SequenceElement();
  explicit odb_SequenceElement(std::shared_ptr<const odbapi_detail::ElementData> data);
  int size() const;
  // Throw odb_Exception for an index outside 0..size-1.
  odb_Element operator[](int i) const;
  odb_Element element(int i) const { return (*this)[i]; }
  odb_Element constGet(int i) const { return (*this)[i]; }

 private:
  std::shared_ptr<const odbapi_detail::ElementData> m_data;
};

class odb_DiscreteEntity {
 public:
  odb_DiscreteEntity() = default;
  odb_DiscreteEntity(std::shared_ptr<odbapi_detail::Database> db, long long id, odb_String name,
                     int embeddedSpace);
  odb_String name() const { return m_name; }
  odb_Enum::odb_DimensionEnum embeddedSpace() const {
    return static_cast<odb_Enum::odb_DimensionEnum>(m_embeddedSpace);
  }
  // Read from the database on each call and held by the returned sequence (the vendor hands
  // out a reference to a sequence the instance keeps; bind the result to a const reference).
  odb_SequenceNode nodes() const;
  odb_SequenceElement elements() const;

 protected:
  std::shared_ptr<odbapi_detail::Database> m_db;  // null: a name that names no instance
  long long m_id = 0;
  odb_String m_name;
  int m_embeddedSpace = 0;
};

class odb_Instance : public odb_DiscreteEntity {
 public:
  using odb_DiscreteEntity::odb_DiscreteEntity;
};

class odb_InstanceRepository : public odbapi_detail::Repository<odb_Instance> {};

class odb_InstanceRepositoryIT : public odbapi_detail::RepositoryIterator<odb_Instance> {
 public:
  explicit odb_InstanceRepositoryIT(const odb_InstanceRepository& repository)
      : RepositoryIterator(repository) {}
};

class odb_Assembly {
 public:
  odb_InstanceRepository& instances() { return m_instances; }

 private:
  odb_InstanceRepository m_instances;
};
