#include "result_walk.h"

#include <tcl.h>

#include <string>

#include "gauss_point_results.h"
#include "nodal_results.h"
#include "odb_API.h"
#include "field_types.h"
#include "post_types.h"
#include "selection.h"
#include "walk_progress.h"

namespace {

void SetMessage(Tcl_Interp* interp, const char* message) {
  Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
}

// One field output: its type and location decide the translation.
int TranslateFieldOutput(Tcl_Interp* interp, const odb_FieldOutput& field,
                         const char* stepName, int frameIndex, const MeshIndex& meshes,
                         GaussPointSetNames& setNames) {
  const int type = ResultTypeOfDataType(field.type());
  if (type < 0) {
    SetMessage(interp, "unknown field type");
    return 1;
  }
  // The vendor's API may need values() requested before locations() answers.
  field.values();
  const odb_SequenceFieldLocation& locations = field.locations();
  const int position = locations.size() > 0 ? locations.constGet(0).position() : -1;
  const bool nodal = position == odb_Enum::NODAL;
  const bool perElement = position == odb_Enum::ELEMENT_NODAL ||
                          position == odb_Enum::INTEGRATION_POINT ||
                          position == odb_Enum::CENTROID;
  if (!nodal && !perElement) {
    SetMessage(interp, "unknown rlocation");
    return 1;
  }

  const odb_SequenceFieldBulkData& blocks = field.bulkDataBlocks();
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
                     const Selection& selection, WalkProgress& progress) {
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
        status = TranslateFieldOutput(interp, fields[key], stepName.CStr(), j, meshes, setNames);
        if (status != 0) return status;
      }
    }
    ++i;
  }
  return progress.Finished();
}
