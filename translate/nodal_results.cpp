#include "nodal_results.h"

#include <cstdio>
#include <vector>

#include "block_values.h"
#include "component_rows.h"
#include "diagnostics.h"
#include "odb_API.h"
#include "post_interface.h"
#include "post_types.h"
#include "tensor_components.h"

void ReplaceEqualSigns(std::string& name) {
  for (char& c : name) {
    if (c == '=') c = '_';
  }
}

namespace {

// The blocks' tensor layouts, worked out once per block. A result whose tensor blocks need
// both row types writes all of them as Matrix rows: a result holds rows of one kind.
std::vector<TensorLayout> BlockLayouts(const odb_SequenceFieldBulkData& blocks, int dataType) {
  std::vector<TensorLayout> layouts;
  layouts.reserve(static_cast<std::size_t>(blocks.size()));
  bool matrix = false;
  bool plain = false;
  for (int b = 0; b < blocks.size(); ++b) {
    layouts.push_back(TensorLayoutOfBlock(dataType, blocks[b]));
    if (blocks[b].length() <= 0) continue;
    matrix = matrix || layouts.back().type == RESULT_MATRIX;
    plain = plain || layouts.back().type == RESULT_PLAIN_DEFORMATION_MATRIX;
  }
  if (matrix && plain) {
    for (TensorLayout& layout : layouts) layout = AsMatrixLayout(layout);
  }
  return layouts;
}

// The kind of a block's rows: its tensor layout's, or its width's (-1 for a width no writer
// call takes).
int RowType(const odb_FieldBulkData& block, const TensorLayout& layout) {
  return layout.ByWidth() ? ResultTypeOfWidth(block.width()) : layout.type;
}

// A nodal result holds rows of one kind: the kind of the first block with rows.
int AnnouncedType(const odb_SequenceFieldBulkData& blocks,
                  const std::vector<TensorLayout>& layouts, int fieldType) {
  for (int b = 0; b < blocks.size(); ++b) {
    if (blocks[b].length() > 0) {
      const int type = RowType(blocks[b], layouts[static_cast<std::size_t>(b)]);
      return type >= 0 ? type : fieldType;
    }
  }
  return fieldType;
}

// With instances left out, a result is written only when a row of it falls on a written mesh:
// the rows the whole conversion would write there.
bool HasRowsOnWrittenMeshes(const odb_SequenceFieldBulkData& blocks,
                            const std::vector<TensorLayout>& layouts, const MeshIndex& meshes,
                            int type) {
  for (int b = 0; b < blocks.size(); ++b) {
    const odb_FieldBulkData& block = blocks[b];
    if (block.length() <= 0) continue;
    const int rowType = RowType(block, layouts[static_cast<std::size_t>(b)]);
    if (rowType >= 0 && rowType != type) continue;
    const odb_String instance = block.instance().name();
    const MeshInfo* mesh = meshes.Find(block.baseElementType().CStr(), instance.CStr());
    if (mesh != nullptr && mesh->written) return true;
  }
  return false;
}

}  // namespace

int WriteNodalResults(Tcl_Interp* interp, std::string& name, const char* stepName,
                      int frameIndex, int fieldType, int dataType, int location,
                      const odb_SequenceFieldBulkData& blocks, const MeshIndex& meshes) {
  ReplaceEqualSigns(name);
  const std::vector<TensorLayout> layouts = BlockLayouts(blocks, dataType);
  const int type = AnnouncedType(blocks, layouts, fieldType);
  if (meshes.HasUnwrittenMeshes() && !HasRowsOnWrittenMeshes(blocks, layouts, meshes, type)) {
    return 0;
  }
  PostBeginResult(name.c_str(), stepName, frameIndex, type, location, nullptr,
                  nullptr, 0, nullptr);

  int previous = -1;  // the last id written in this values block
  for (int b = 0; b < blocks.size(); ++b) {
    const odb_FieldBulkData& block = blocks[b];
    const int length = block.length();
    if (length <= 0) continue;
    const int width = block.width();
    const TensorLayout& layout = layouts[static_cast<std::size_t>(b)];
    const int rowType = RowType(block, layout);
    if (rowType < 0) {
      SetUnknownWidthMessage(interp, width);
      return 1;
    }
    if (rowType != type) {
      // Rows of another kind cannot share the result: a reader takes the number of values
      // per row from the result's type.
      PrintDiagnostic("Block %d of result '%s' has %d components per value, unlike the %s "
                      "values of the result: not written\n",
                      b, name.c_str(), width, ResultTypeName(type));
      continue;
    }
    const odb_String instance = block.instance().name();
    const MeshInfo* mesh = meshes.Find(block.baseElementType().CStr(), instance.CStr());
    if (mesh != nullptr && !mesh->written) continue;  // an instance left out
    if (mesh == nullptr) {
      // An instance without elements (a reference point's) has no mesh, so its labels would
      // be taken for the ids of another mesh's nodes.
      PrintDiagnostic("Block %d of result '%s' has %d rows on instance '%s', which has no "
                      "mesh: not written\n",
                      b, name.c_str(), length, instance.CStr());
      continue;
    }
    const int offset = mesh->nodeOffset;
    const int* labels = block.nodeLabels();
    BlockValues values(block, layout);
    const int rowWidth = values.RowWidth();
    const LabelOrigin origin{"node", instance.CStr(), name.c_str()};
    for (int r = 0; r < length; ++r) {
      int id = 0;
      if (!ResultRowId(interp, labels[r], offset, origin, previous, id)) return 1;
      previous = id;
      PostWriteRows(id, values.Rows(static_cast<std::size_t>(r), 1), 1, rowWidth);
    }
  }
  PostEndResult();
  return 0;
}
