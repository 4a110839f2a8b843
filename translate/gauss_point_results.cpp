#include "gauss_point_results.h"

#include <cstdio>

#include "component_rows.h"
#include "diagnostics.h"
#include "nodal_results.h"
#include "odb_API.h"
#include "post_interface.h"
#include "post_types.h"

const char* GaussPointSetNames::Find(const char* name) const {
  for (int i = 0; i < m_count; ++i) {
    if (EqualIgnoringCase(m_names[i].get(), name)) return m_names[i].get();
  }
  return nullptr;
}

const char* GaussPointSetNames::Append(const char* name) {
  if (m_count == capacity()) m_names.resize(m_names.size() * 2);
  m_names[m_count] = CopyText(name);
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

// What both passes work out for a block.
struct BlockPlacement {
  const MeshInfo* mesh = nullptr;
  int pointCount = 0;
  bool accepted = false;
  std::string setName;
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
    place.setName = CutText(block.instance().name().CStr(), kMaxSetNamePartBytes) + " " +
                    CutText(block.baseElementType().CStr(), kMaxSetNamePartBytes) + " GP=" +
                    std::to_string(place.pointCount);
  }
  return place;
}

bool SameGroup(const GaussPointGroup& group, const BlockPlacement& place) {
  return group.mesh == place.mesh && group.pointCount == place.pointCount &&
         EqualIgnoringCase(group.setName, place.setName.c_str());
}

// Pass 1: define every new set and gather the groups in order of first appearance.
std::vector<GaussPointGroup> DefineSets(const odb_SequenceFieldBulkData& blocks,
                                        const MeshTable& table, int count,
                                        GaussPointSetNames& setNames) {
  std::vector<GaussPointGroup> groups;
  for (int i = 0; i < blocks.size(); ++i) {
    const odb_FieldBulkData& block = blocks[i];
    const char* instance = block.instance().name().CStr();
    const odb_String elementType = block.baseElementType();
    const MeshInfo* mesh = FindMesh(elementType.CStr(), table, count, instance);
    if (mesh == nullptr) mesh = FindMesh(nullptr, table, count, instance);
    if (mesh == nullptr) {
      PrintDiagnostic("################### No encontre malla!!! %s %s\n", instance, elementType.CStr());
    }
    const BlockPlacement place = PlaceBlock(block, mesh);
    if (!place.accepted) continue;

    const char* setName = setNames.Find(place.setName.c_str());
    if (setName == nullptr) {
      setName = setNames.Append(place.setName.c_str());
      PostBeginGaussPoint(setName, mesh->geometry, mesh->name.get(), place.pointCount, 0, 1);
      PostEndGaussPoint();
    }
    GaussPointGroup* group = nullptr;
    for (GaussPointGroup& candidate : groups) {
      if (SameGroup(candidate, place)) {
        group = &candidate;
        break;
      }
    }
    if (group == nullptr) {
      if (groups.size() == groups.capacity()) groups.reserve(groups.size() + kGroupGrowth);
      groups.push_back(GaussPointGroup{mesh, setName, place.pointCount, 0});
      group = &groups.back();
    }
    ++group->blockCount;
  }
  return groups;
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
int WriteBlockRows(Tcl_Interp* interp, const odb_FieldBulkData& block, const MeshInfo& mesh,
                   int pointCount, const std::string& name) {
  const int width = block.width();
  const int elements = block.numberOfElements();
  const int* labels = block.elementLabels();
  const float* values = block.data();
  int previous = -1;  // each block is a values block of its own
  for (int e = 0; e < elements; ++e) {
    const std::size_t firstRow = static_cast<std::size_t>(e) * static_cast<std::size_t>(pointCount);
    const int id = ShiftLabel(labels[firstRow], mesh.elementOffset);
    if (IsUnwritableId(id, previous)) {
      SetUnwritableIdMessage(interp, "element", labels[firstRow], name.c_str());
      return 1;
    }
    previous = id;
    // The element's points, one row each, all under its id.
    if (PostWriteRows(id, values + firstRow * static_cast<std::size_t>(width), pointCount,
                      width) != 0) {
      SetUnknownWidthMessage(interp, width);
      return 1;
    }
  }
  return 0;
}

}  // namespace

int WriteGaussPointResults(Tcl_Interp* interp, const std::string& baseName,
                           const odb_StepRepositoryIT& step, int frameIndex, int fieldType,
                           int location, const odb_SequenceFieldBulkData& blocks,
                           const MeshTable& table, int count, GaussPointSetNames& setNames) {
  const std::vector<GaussPointGroup> groups = DefineSets(blocks, table, count, setNames);

  for (const GaussPointGroup& group : groups) {
    for (int j = 0; j < blocks.size(); ++j) {
      const odb_FieldBulkData& block = blocks[j];
      const char* instance = block.instance().name().CStr();
      const odb_String elementType = block.baseElementType();
      const MeshInfo* mesh = FindMesh(elementType.CStr(), table, count, instance);
      if (mesh == nullptr) {
        PrintDiagnostic("### # WARNING # ### Other element type %s %s\n", instance, elementType.CStr());
        mesh = FindMesh(nullptr, table, count, instance);
      }
      const BlockPlacement place = PlaceBlock(block, mesh);
      if (!place.accepted) {
        PrintDiagnostic("GaussPoints (%d) defined over an uknown elementype: '%s'\n", block.width(),
                    elementType.CStr());
        continue;
      }
      if (!SameGroup(group, place)) continue;

      const std::string name = ResultName(baseName, group, block, j);
      const int rowType = ResultTypeOfWidth(block.width());
      PostBeginResult(name.c_str(), step.currentKey().CStr(), frameIndex,
                      rowType >= 0 ? rowType : fieldType, location, group.setName, nullptr, 0,
                      nullptr);
      if (WriteBlockRows(interp, block, *place.mesh, place.pointCount, name) != 0) return 1;
      PostEndResult();
    }
  }
  return 0;
}
