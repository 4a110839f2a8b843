#include "result_walk.h"

#include <tcl.h>

#include <string>

#include "component_rows.h"
#include "diagnostics.h"
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
    return WriteNodalResults(interp, baseName, stepName, frameIndex, type, field.type(),
                             ON_NODES, blocks, meshes);
  }
  return WriteGaussPointResults(interp, baseName, stepName, frameIndex, type, field.type(),
                                ON_GAUSS_POINTS, blocks, meshes, setNames);
}

}  // namespace

int TranslateResults(Tcl_Interp* interp, odb_Odb& odb, const MeshTable& table, int count,
                     const Selection& selection, WalkProgress& progress,
                     UnplaceableFields unplaceable) {
  odb_StepRepository& steps = odb.steps();
  odb_StepRepositoryIT step(steps);
  GaussPointSetNames setNames;
  const MeshIndex meshes(table, count);

  int stepCount = 0;
  for (step.first(); !step.isDone(); step.next()) {
    if (selection.steps.Keeps(step.currentKey().CStr())) ++stepCount;
  }

  int i = 0;
  for (step.first(); !step.isDone(); step.next()) {
    const odb_String stepName = step.currentKey();
    if (!selection.steps.Keeps(stepName.CStr())) continue;
    int status = progress.StepStarted(i, stepCount);
    if (status != 0) return status;
    odb_SequenceFrame& frames = steps[stepName].frames();
    // Frames left out are not looked at: the cost follows what is kept.
    const std::vector<int> kept = selection.FramesOf(frames.size());
    const int keptCount = static_cast<int>(kept.size());
    for (int k = 0; k < keptCount; ++k) {
      const int j = kept[static_cast<std::size_t>(k)];
      status = progress.FrameStarted(i, stepCount, k, keptCount);
      if (status != 0) return status;
      odb_FieldOutputRepository& fields = frames[j].fieldOutputs();
      odb_FieldOutputRepositoryIT field(fields);
      for (field.first(); !field.isDone(); field.next()) {
        const odb_String& key = field.currentKey();
        if (!selection.fields.Keeps(key.CStr())) continue;
        status = TranslateFieldOutput(interp, fields[key], stepName.CStr(), j, meshes, setNames,
                                      unplaceable);
        if (status != 0) return status;
      }
    }
    ++i;
  }
  return progress.Finished();
}
