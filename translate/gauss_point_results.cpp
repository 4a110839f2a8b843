#include "gauss_point_results.h"

#include <cstdio>

#include "ascii_case.h"
#include "block_values.h"
#include "component_rows.h"
#include "diagnostics.h"
#include "nodal_results.h"
#include "odb_API.h"
#include "post_interface.h"
#include "post_types.h"
#include "tensor_components.h"

const char* GaussPointSetNames::Find(const char* name) const {
  const auto found = m_positions.find(AsciiLowerText(name));
  return found != m_positions.end() ? m_names[found->second].get() : nullptr;
}

const char* GaussPointSetNames::Append(const char* name) {
  if (m_count == capacity()) m_names.resize(m_names.size() * 2);
  m_names[m_count] = CopyText(name);
  m_positions.emplace(AsciiLowerText(name), m_count);
  return m_names[m_count++].get();
}

int ExpectedGaussPointCount(int geometry) {
  switch (geometry) {
    case GEOMETRY_POINT:
      return 1;
    case GEOMETRY_LINEAR:
      return 2;
    case GEOMETRY_TRIANGLE:
      return 3;
    case GEOMETRY_QUADRILATERAL:
    case GEOMETRY_TETRAHEDRA:
      return 4;
    case GEOMETRY_HEXAHEDRA:
      return 8;
    default:
      return -1;
  }
}

namespace {

constexpr std::size_t kGroupGrowth = 30;

// What both passes work out for a block, worked out once.
struct BlockPlacement {
  const MeshInfo* mesh = nullptr;
  bool typeMatched = false;  // the mesh was found with the block's own element type
  int pointCount = 0;
  bool accepted = false;
  std::string setName;
  int group = -1;  // position in the group list, for an accepted block
};

BlockPlacement PlaceBlock(const odb_FieldBulkData& block, const MeshInfo* mesh) {
  BlockPlacement place;
  place.mesh = mesh;
  const int elements = block.numberOfElements();
  // Without elements a block has no points per element.
  if (elements <= 0) return place;
  place.pointCount = block.length() / elements;
  place.accepted = mesh != nullptr && (place.pointCount == 1 ||
                                       place.pointCount == ExpectedGaussPointCount(mesh->geometry));
  if (place.accepted) {
    // Cut so that the Result lines refer to the set by the name its definition has.
    const odb_String instanceName = block.instance().name();
    place.setName = CutText(instanceName.CStr(), kMaxSetNamePartBytes) + " " +
                    CutText(block.baseElementType().CStr(), kMaxSetNamePartBytes) + " GP=" +
                    std::to_string(place.pointCount);
  }
  return place;
}

// Two blocks share a group when they share the mesh, the point count and the set name
// ignoring case; the key holds all three, the name made small.
std::string GroupKey(const BlockPlacement& place) {
  std::string key(reinterpret_cast<const char*>(&place.mesh), sizeof place.mesh);
  key.append(reinterpret_cast<const char*>(&place.pointCount), sizeof place.pointCount);
  key += AsciiLowerText(place.setName);
  return key;
}

// The field output's blocks placed once: their groups in order of first appearance, the
// blocks of each group, and the blocks that pass 2 prints a line about for every group.
struct FieldPlacement {
  std::vector<BlockPlacement> blocks;
  std::vector<GaussPointGroup> groups;
  std::vector<std::vector<int>> groupBlocks;  // per group, its blocks in sequence order
  std::vector<int> reportedBlocks;  // in sequence order: other element type or not accepted
};

// Pass 1: place every block, define every new set and gather the groups.
FieldPlacement DefineSets(const odb_SequenceFieldBulkData& blocks, const MeshIndex& meshes,
                          GaussPointSetNames& setNames) {
  FieldPlacement field;
  field.blocks.reserve(static_cast<std::size_t>(blocks.size()));
  std::unordered_map<std::string, int> groupOfKey;
  for (int i = 0; i < blocks.size(); ++i) {
    const odb_FieldBulkData& block = blocks[i];
    const odb_String instance = block.instance().name();
    const odb_String elementType = block.baseElementType();
    const MeshInfo* mesh = meshes.Find(elementType.CStr(), instance.CStr());
    const bool typeMatched = mesh != nullptr;
    if (mesh == nullptr) mesh = meshes.Find(nullptr, instance.CStr());
    if (mesh == nullptr) {
      PrintDiagnostic("################### No encontre malla!!! %s %s\n", instance.CStr(),
                      elementType.CStr());
    }
    field.blocks.push_back(PlaceBlock(block, mesh));
    BlockPlacement& place = field.blocks.back();
    place.typeMatched = typeMatched;
    // Blocks of an instance left out count for the groups (and so for the result names) but
    // define nothing and are not reported.
    const bool written = mesh == nullptr || mesh->written;
    if (written && (!place.typeMatched || !place.accepted)) field.reportedBlocks.push_back(i);
    if (!place.accepted) continue;

    const char* setName = setNames.Find(place.setName.c_str());
    if (setName == nullptr && !written) {
      // Named here for the group only; the set is defined when a written block uses it.
      setName = place.setName.c_str();
    } else if (setName == nullptr) {
      setName = setNames.Append(place.setName.c_str());
      PostBeginGaussPoint(setName, mesh->geometry, mesh->name.get(), place.pointCount, 0, 1);
      PostEndGaussPoint();
    }
    const auto known = groupOfKey.emplace(GroupKey(place), static_cast<int>(field.groups.size()));
    if (known.second) {
      if (field.groups.size() == field.groups.capacity()) {
        field.groups.reserve(field.groups.size() + kGroupGrowth);
      }
      field.groups.push_back(GaussPointGroup{mesh, setName, place.pointCount, 0});
      field.groupBlocks.emplace_back();
    }
    place.group = known.first->second;
    ++field.groups[place.group].blockCount;
    field.groupBlocks[place.group].push_back(i);
  }
  return field;
}

std::string ResultName(const std::string& baseName, const GaussPointGroup& group,
                       const odb_FieldBulkData& block, int blockIndex) {
  std::string name = baseName + "//" + group.setName;
  if (group.blockCount > 1) {
    const odb_String sectionPoint = block.sectionPoint().description();
    name += "//";
    name += sectionPoint.Length() > 0 ? sectionPoint.CStr()
                                      : "Block " + std::to_string(blockIndex);
  }
  ReplaceEqualSigns(name);
  return name;
}

// Writes every point of every element of the block under the element's id.
int WriteBlockRows(Tcl_Interp* interp, const odb_FieldBulkData& block, const TensorLayout& layout,
                   const MeshInfo& mesh, int pointCount, const std::string& name) {
  const int elements = block.numberOfElements();
  const int* labels = block.elementLabels();
  BlockValues values(block, layout);
  const int width = values.RowWidth();
  const odb_String instance = block.instance().name();
  const LabelOrigin origin{"element", instance.CStr(), name.c_str()};
  int previous = -1;  // each block is a values block of its own
  for (int e = 0; e < elements; ++e) {
    const std::size_t firstRow = static_cast<std::size_t>(e) * static_cast<std::size_t>(pointCount);
    int id = 0;
    if (!ResultRowId(interp, labels[firstRow], mesh.elementOffset, origin, previous, id)) return 1;
    previous = id;
    // The element's points, one row each, all under its id.
    if (PostWriteRows(id, values.Rows(firstRow, static_cast<std::size_t>(pointCount)), pointCount,
                      width) != 0) {
      SetUnknownWidthMessage(interp, block.width());
      return 1;
    }
  }
  return 0;
}

// Pass 2's lines about a block that is not the group's own: printed for every group, as the
// block comes up in sequence order.
void ReportBlock(const odb_FieldBulkData& block, const BlockPlacement& place) {
  const odb_String elementType = block.baseElementType();
  if (!place.typeMatched) {
    const odb_String instance = block.instance().name();
    PrintDiagnostic("### # WARNING # ### Other element type %s %s\n", instance.CStr(),
                    elementType.CStr());
  }
  if (!place.accepted) {
    PrintDiagnostic("GaussPoints (%d) defined over an uknown elementype: '%s'\n", block.width(),
                    elementType.CStr());
  }
}

}  // namespace

bool FindUnwritableGaussPointWidth(const odb_SequenceFieldBulkData& blocks,
                                   const MeshIndex& meshes, int& width) {
  for (int i = 0; i < blocks.size(); ++i) {
    const odb_FieldBulkData& block = blocks[i];
    // Rows are written per element; the width is checked first, as it is cheap.
    if (ResultTypeOfWidth(block.width()) >= 0 || block.numberOfElements() <= 0) continue;
    // The mesh as pass 1 finds it: by element type, else by instance alone.
    const odb_String instance = block.instance().name();
    const odb_String elementType = block.baseElementType();
    const MeshInfo* mesh = meshes.Find(elementType.CStr(), instance.CStr());
    if (mesh == nullptr) mesh = meshes.Find(nullptr, instance.CStr());
    if (mesh == nullptr || !mesh->written || !PlaceBlock(block, mesh).accepted) continue;
    width = block.width();
    return true;
  }
  return false;
}

int WriteGaussPointResults(Tcl_Interp* interp, const std::string& baseName,
                           const char* stepName, int frameIndex, int fieldType, int dataType,
                           int location, const odb_SequenceFieldBulkData& blocks,
                           const MeshIndex& meshes, GaussPointSetNames& setNames) {
  const FieldPlacement field = DefineSets(blocks, meshes, setNames);
  const std::vector<int>& reported = field.reportedBlocks;

  // Group by group, the group's blocks and the reported ones merged in sequence order.
  for (std::size_t g = 0; g < field.groups.size(); ++g) {
    const GaussPointGroup& group = field.groups[g];
    if (!group.mesh->written) continue;
    const std::vector<int>& own = field.groupBlocks[g];
    std::size_t nextOwn = 0;
    std::size_t nextReported = 0;
    while (nextOwn < own.size() || nextReported < reported.size()) {
      int j;
      if (nextReported == reported.size() ||
          (nextOwn < own.size() && own[nextOwn] <= reported[nextReported])) {
        j = own[nextOwn++];
      } else {
        j = reported[nextReported++];
      }
      // A block of this group with another element type is in both lists.
      if (nextReported < reported.size() && reported[nextReported] == j) ++nextReported;

      const odb_FieldBulkData& block = blocks[j];
      const BlockPlacement& place = field.blocks[static_cast<std::size_t>(j)];
      if (!place.typeMatched || !place.accepted) ReportBlock(block, place);
      if (place.group != static_cast<int>(g)) continue;

      const std::string name = ResultName(baseName, group, block, j);
      const TensorLayout layout = TensorLayoutOfBlock(dataType, block);
      const int rowType = layout.ByWidth() ? ResultTypeOfWidth(block.width()) : layout.type;
      PostBeginResult(name.c_str(), stepName, frameIndex,
                      rowType >= 0 ? rowType : fieldType, location, group.setName, nullptr, 0,
                      nullptr);
      if (WriteBlockRows(interp, block, layout, *place.mesh, place.pointCount, name) != 0) return 1;
      PostEndResult();
    }
  }
  return 0;
}
