#include "result_walk.h"

#include <tcl.h>

#include <string>

#include "component_rows.h"
#include "diagnostics.h"
#include "field_walk.h"
#include "gauss_point_results.h"
#include "nodal_results.h"
#include "odb_API.h"
#include "field_types.h"
#include "post_types.h"
#include "selection.h"
#include "tcl_result.h"
#include "walk_progress.h"

namespace {

// The line about a field output left out, naming it, its step, its frame and why.
void ReportSkipped(const odb_FieldOutput& field, const char* stepName, int frameIndex,
                   const std::string& reason) {
  const odb_String name = field.name();
  PrintDiagnostic("Field output '%s' of step '%s', frame %d skipped: %s\n",
                  name.CStr(), stepName, frameIndex, reason.c_str());
}

// "what NAME" with the vendor's enumerator name, or "what CODE" for a code without one.
std::string Described(const char* what, const char* name, int code) {
  return std::string(what) + " " + (name != nullptr ? name : std::to_string(code));
}

// Whether a row of the field output would have a width no writer call takes; that width in
// width.
bool FindUnwritableWidth(const odb_SequenceFieldBulkData& blocks, bool nodal,
                         const MeshIndex& meshes, int& width) {
  if (!nodal) return FindUnwritableGaussPointWidth(blocks, meshes, width);
  for (int b = 0; b < blocks.size(); ++b) {
    const odb_FieldBulkData& block = blocks[b];
    if (block.length() > 0 && ResultTypeOfWidth(block.width()) < 0) {
      width = block.width();
      return true;
    }
  }
  return false;
}

// One field output: its type and location decide the translation.
int TranslateFieldOutput(Tcl_Interp* interp, const odb_FieldOutput& field,
                         const char* stepName, int frameIndex, const MeshIndex& meshes,
                         GaussPointSetNames& setNames, UnplaceableFields unplaceable) {
  const bool skip = unplaceable == UnplaceableFields::kSkip;
  const int dataType = field.type();
  const int type = ResultTypeOfDataType(dataType);
  if (type < 0) {
    if (skip) {
      ReportSkipped(field, stepName, frameIndex,
                    Described("data type", DataTypeName(dataType), dataType));
      return 0;
    }
    SetMessage(interp, "unknown field type");
    return 1;
  }
  // The vendor's API may need values() requested before locations() answers.
  field.values();
  const odb_SequenceFieldLocation& locations = field.locations();
  const bool located = locations.size() > 0;
  const int position = located ? locations.constGet(0).position() : -1;
  const bool nodal = position == odb_Enum::NODAL;
  // A whole-element value is one value per element, as a centroid value is.
  const bool perElement = position == odb_Enum::ELEMENT_NODAL ||
                          position == odb_Enum::INTEGRATION_POINT ||
                          position == odb_Enum::CENTROID ||
                          (skip && position == odb_Enum::WHOLE_ELEMENT);
  if (!nodal && !perElement) {
    if (skip) {
      ReportSkipped(field, stepName, frameIndex,
                    located ? Described("position", PositionName(position), position)
                            : std::string("no position"));
      return 0;
    }
    SetMessage(interp, "unknown rlocation");
    return 1;
  }

  const odb_SequenceFieldBulkData& blocks = field.bulkDataBlocks();
  // Decided before anything of the field output is written.
  int width = 0;
  if (skip && FindUnwritableWidth(blocks, nodal, meshes, width)) {
    ReportSkipped(field, stepName, frameIndex,
                  "rows of " + std::to_string(width) + " components");
    return 0;
  }
  std::string baseName = std::string(field.name().CStr()) + " ( " + field.description().CStr() + ")";
  if (nodal) {
    return WriteNodalResults(interp, baseName, stepName, frameIndex, type, dataType,
                             ON_NODES, blocks, meshes);
  }
  return WriteGaussPointResults(interp, baseName, stepName, frameIndex, type, dataType,
                                ON_GAUSS_POINTS, blocks, meshes, setNames);
}

// Translates each kept field output, reporting progress at each kept step and frame.
class ResultVisitor : public FieldVisitor {
 public:
  ResultVisitor(Tcl_Interp* interp, const MeshTable& table, int count, WalkProgress& progress,
                UnplaceableFields unplaceable)
      : m_interp(interp), m_meshes(table, count), m_progress(progress), m_unplaceable(unplaceable) {}

  int StepBegun(const odb_String& name, odb_Step&, int index, int count) override {
    m_stepName = name;
    m_step = index;
    m_stepCount = count;
    return m_progress.StepStarted(index, count);
  }
  int FrameBegun(odb_Frame&, int frameIndex, int kept, int keptCount) override {
    m_frameIndex = frameIndex;
    return m_progress.FrameStarted(m_step, m_stepCount, kept, keptCount);
  }
  int FieldOutputFound(odb_FieldOutputRepository& fields, const odb_String& key) override {
    return TranslateFieldOutput(m_interp, fields[key], m_stepName.CStr(), m_frameIndex, m_meshes,
                                m_setNames, m_unplaceable);
  }

 private:
  Tcl_Interp* m_interp;
  const MeshIndex m_meshes;
  GaussPointSetNames m_setNames;
  WalkProgress& m_progress;
  UnplaceableFields m_unplaceable;
  odb_String m_stepName;
  int m_step = 0;
  int m_stepCount = 0;
  int m_frameIndex = 0;
};

}  // namespace

int TranslateResults(Tcl_Interp* interp, odb_Odb& odb, const MeshTable& table, int count,
                     const Selection& selection, WalkProgress& progress,
                     UnplaceableFields unplaceable) {
  ResultVisitor visitor(interp, table, count, progress, unplaceable);
  const int status = WalkFields(odb, selection, visitor);
  if (status != 0) return status;
  return progress.Finished();
}
