#include "instance_mesh.h"

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "element_shape.h"
#include "element_shape_code.h"
#include "mesh_chunks.h"
#include "odb_API.h"
#include "post_interface.h"
#include "written_ids.h"

int DimensionOfEmbeddedSpace(int space) {
  switch (space) {
    case odb_Enum::THREE_D:
      return 3;
    case odb_Enum::TWO_D_PLANAR:
    case odb_Enum::AXISYMMETRIC:
      return 2;
    default:
      return 0;
  }
}

namespace {

// The written ids of one instance's labels. The first label whose id does not fit leaves
// its refusal in the command's message buffer.
class InstanceIds {
 public:
  InstanceIds(const char* instanceName, int nodeOffset, int elementOffset, char* message)
      : m_instanceName(instanceName),
        m_nodeOffset(nodeOffset),
        m_elementOffset(elementOffset),
        m_message(message) {}

  bool Node(int label, int& id) {
    return Checked(WrittenId(label, m_nodeOffset, Origin("node"), id, m_refusal));
  }
  bool Element(int label, int& id) {
    return Checked(WrittenId(label, m_elementOffset, Origin("element"), id, m_refusal));
  }
  // A node written after the node of id previous (BlockRowId).
  bool NodeRow(int label, int previous, int& id) {
    return Checked(BlockRowId(label, m_nodeOffset, Origin("node"), previous, id, m_refusal));
  }
  // The ids of count node labels, in order; false at the first that does not fit.
  bool Nodes(const int* labels, int count, int* ids) {
    for (int i = 0; i < count; ++i) {
      if (!Node(labels[i], ids[i])) return false;
    }
    return true;
  }

 private:
  LabelOrigin Origin(const char* entity) const { return {entity, m_instanceName, nullptr}; }
  // Passes written on, copying the refusal into the message buffer when it is false.
  bool Checked(bool written) {
    if (!written) std::snprintf(m_message, kShapeMessageSize, "%s", m_refusal.c_str());
    return written;
  }

  const char* m_instanceName;
  int m_nodeOffset;
  int m_elementOffset;
  char* m_message;
  std::string m_refusal;  // one string for the instance, filled only on a refusal
};

// False, with the message set, at a node id that the binary file cannot hold; the nodes
// before it are written.
bool WriteCoordinates(const odb_SequenceNode& nodes, int dimension, InstanceIds& ids,
                      int& highest) {
  PostBeginCoordinates();
  const int count = nodes.size();
  CoordinateRows rows(count);
  int previous = -1;
  for (int j = 0; j < count; ++j) {
    const odb_Node node = nodes[j];
    int id = 0;
    if (!ids.NodeRow(node.label(), previous, id)) return false;
    previous = id;
    if (id > highest) highest = id;
    const float* xyz = node.coordinates();
    // A planar mesh ignores the stored third coordinate.
    const double z = dimension == 3 ? static_cast<double>(xyz[2]) : 0.0;
    rows.Add(id, xyz[0], xyz[1], z);
  }
  rows.Write();
  PostEndCoordinates();
  return true;
}

// False, with the message set, at an id that does not fit; the elements before it are
// written.
bool WriteElements(const odb_SequenceElement& elements, int meshShape, int nnode,
                   InstanceIds& ids, int& highest) {
  PostBeginElements();
  const int count = elements.size();
  ElementRows rows(count, nnode);
  std::vector<int> ownIds;  // the element's own node ids
  for (int b = 0; b < count; ++b) {
    const odb_Element element = elements[b];
    int id = 0;
    if (!ids.Element(element.label(), id)) return false;
    if (id > highest) highest = id;
    int labelCount = 0;
    const int* labels = element.connectivity(labelCount);
    const std::size_t own = labelCount > 0 ? static_cast<std::size_t>(labelCount) : 0;
    // Grown to the longest list so far, never shrunk: no allocation per element.
    if (ownIds.size() < own) ownIds.resize(own);
    if (!ids.Nodes(labels, labelCount, ownIds.data())) return false;
    // Read before the row is taken: nothing may throw while the row is unfilled.
    const int shape = ShapeCodeOf(element);
    ElementNodeIds(meshShape, nnode, shape, ownIds.data(), labelCount, rows.Add(id));
  }
  rows.Write();
  PostEndElements();
  return true;
}

// After an instance each offset becomes the highest id written so far, and at least the old
// offset plus the instance's count: later ids then never meet earlier ones, however the labels
// leave gaps, and labels 1 to n give the ids 1 to N of the whole model. The highest ids before
// this instance are at most its offsets, so only this instance's highest ids count. Past the
// largest id every later label would wrap.
MeshOutcome AdvanceOffsets(int nodeCount, int elementCount, int highestNode, int highestElement,
                           const char* instanceName, int& nodeOffset, int& elementOffset,
                           char* message) {
  int nodes = 0;
  int elements = 0;
  if (!SumFitsInt(nodeOffset, nodeCount, nodes) ||
      !SumFitsInt(elementOffset, elementCount, elements)) {
    std::snprintf(message, kShapeMessageSize,
                  "instance \"%.200s\" cannot be written: the model has more than 2147483647 "
                  "nodes or elements",
                  instanceName);
    return MeshOutcome::kFailed;
  }
  nodeOffset = highestNode > nodes ? highestNode : nodes;
  elementOffset = highestElement > elements ? highestElement : elements;
  return MeshOutcome::kWritten;
}

// Shape codes that decide the mesh's shape.
constexpr int kTriangle3 = 10;
constexpr int kQuadrilateral4 = 11;
constexpr int kTetrahedron4 = 14;
constexpr int kWedge6 = 15;
constexpr int kHexahedron8 = 16;

// The element whose shape, node count, type and section name the mesh takes: the first one,
// unless the instance holds an 8-node hexahedron together with tetrahedra or wedges (or a
// 4-node quadrilateral together with triangles); then the first hexahedron (quadrilateral), so
// that the others are written degenerate rather than cut to the first element's shape. Only
// when the first element is not already of such a shape are the shape codes read, once each,
// and the scan ends as soon as a hexahedron mesh is settled.
int MeshElementIndex(const odb_SequenceElement& elements) {
  const int first = ShapeCodeOf(elements[0]);
  if (first == kHexahedron8 || first == kQuadrilateral4) return 0;
  bool fitsHexahedron = first == kTetrahedron4 || first == kWedge6;
  bool fitsQuadrilateral = first == kTriangle3;
  int hexahedron = -1;
  int quadrilateral = -1;
  const int count = elements.size();
  for (int b = 1; b < count; ++b) {
    const int shape = ShapeCodeOf(elements[b]);
    if (shape == kHexahedron8) {
      if (hexahedron < 0) hexahedron = b;
    } else if (shape == kTetrahedron4 || shape == kWedge6) {
      fitsHexahedron = true;
    } else if (shape == kQuadrilateral4) {
      if (quadrilateral < 0) quadrilateral = b;
    } else if (shape == kTriangle3) {
      fitsQuadrilateral = true;
    }
    if (hexahedron >= 0 && fitsHexahedron) return hexahedron;
  }
  return quadrilateral >= 0 && fitsQuadrilateral ? quadrilateral : 0;
}

}  // namespace

MeshOutcome WriteInstanceMesh(const odb_Instance& instance, int meshIndex, MeshTable& table,
                              int& nodeOffset, int& elementOffset, char* message) {
  const int dimension = DimensionOfEmbeddedSpace(instance.embeddedSpace());
  if (dimension == 0) {
    std::snprintf(message, kShapeMessageSize, "%s", "unknown dimension");
    return MeshOutcome::kFailed;
  }

  const odb_SequenceElement& elements = instance.elements();
  // Analytic surfaces and reference points have no elements to make a mesh of.
  if (elements.size() == 0) return MeshOutcome::kSkipped;

  const odb_Element model = elements[MeshElementIndex(elements)];
  const odb_String elementType = model.type();
  int nnode = 0;
  model.connectivity(nnode);
  const int meshShape = ShapeCodeOf(model);
  const int geometry = ClassifyElementShape(meshShape, message);
  if (geometry == 0) return MeshOutcome::kFailed;

  // Texts are handed out by value: each is held while its CStr() is in use.
  const odb_String instanceName = instance.name();
  const odb_String sectionCategory = model.sectionCategory().name();
  const std::string name = MakeMeshName(table, meshIndex, instanceName.CStr(),
                                        sectionCategory.CStr(), elementType.CStr());

  table.Describe(meshIndex, geometry, name.c_str(), instanceName.CStr(), elementType.CStr());
  MeshInfo& record = table[meshIndex];
  record.nodeOffset = nodeOffset;
  record.elementOffset = elementOffset;
  record.written = true;

  PostBeginMesh(name.c_str(), dimension, geometry, nnode);
  const odb_SequenceNode& nodes = instance.nodes();
  InstanceIds ids(instanceName.CStr(), nodeOffset, elementOffset, message);
  int highestNode = INT_MIN;
  int highestElement = INT_MIN;
  if (!WriteCoordinates(nodes, dimension, ids, highestNode)) {
    return MeshOutcome::kFailed;
  }
  if (!WriteElements(elements, meshShape, nnode, ids, highestElement)) {
    return MeshOutcome::kFailed;
  }

  return AdvanceOffsets(nodes.size(), elements.size(), highestNode, highestElement,
                        instanceName.CStr(), nodeOffset, elementOffset, message);
}

MeshOutcome DescribeInstanceMesh(const odb_Instance& instance, int meshIndex, MeshTable& table,
                                 int& nodeOffset, int& elementOffset, char* message) {
  const odb_SequenceElement& elements = instance.elements();
  if (elements.size() == 0) return MeshOutcome::kSkipped;
  const odb_Element model = elements[MeshElementIndex(elements)];
  const odb_String elementType = model.type();
  const odb_String instanceName = instance.name();
  const odb_String sectionCategory = model.sectionCategory().name();
  const std::string name = MakeMeshName(table, meshIndex, instanceName.CStr(),
                                        sectionCategory.CStr(), elementType.CStr());
  table.Describe(meshIndex, ClassifyElementShape(ShapeCodeOf(model), nullptr), name.c_str(),
                 instanceName.CStr(), elementType.CStr());
  MeshInfo& record = table[meshIndex];
  record.nodeOffset = nodeOffset;
  record.elementOffset = elementOffset;

  // The highest ids the instance would have written, for the offsets of the meshes after it.
  const odb_SequenceNode& nodes = instance.nodes();
  InstanceIds ids(instanceName.CStr(), nodeOffset, elementOffset, message);
  int highestNode = INT_MIN;
  int highestElement = INT_MIN;
  int id = 0;
  const int nodeCount = nodes.size();
  for (int j = 0; j < nodeCount; ++j) {
    if (!ids.Node(nodes[j].label(), id)) return MeshOutcome::kFailed;
    if (id > highestNode) highestNode = id;
  }
  const int elementCount = elements.size();
  for (int b = 0; b < elementCount; ++b) {
    if (!ids.Element(elements[b].label(), id)) return MeshOutcome::kFailed;
    if (id > highestElement) highestElement = id;
  }
  return AdvanceOffsets(nodeCount, elementCount, highestNode, highestElement,
                        instanceName.CStr(), nodeOffset, elementOffset, message);
}
