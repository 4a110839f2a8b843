#include "mesh_stage.h"

#include "element_shape.h"
#include "instance_mesh.h"
#include "odb_API.h"
#include "selection.h"
#include "tcl_result.h"

int WriteMeshes(Tcl_Interp* interp, odb_Odb& odb, const Selection& selection,
                std::unique_ptr<MeshTable>& table) {
  odb_InstanceRepository& instances = odb.rootAssembly().instances();
  odb_InstanceRepositoryIT entry(instances);
  int instanceCount = 0;
  for (entry.first(); !entry.isDone(); entry.next()) ++instanceCount;
  table = std::make_unique<MeshTable>(instanceCount);

  char message[kShapeMessageSize] = "";
  int nodeOffset = 0;
  int elementOffset = 0;
  int meshCount = 0;
  for (entry.first(); !entry.isDone(); entry.next()) {
    const odb_Instance& instance = instances[entry.currentKey()];
    const MeshOutcome outcome =
        selection.instances.Keeps(entry.currentKey().CStr())
            ? WriteInstanceMesh(instance, meshCount, *table, nodeOffset, elementOffset, message)
            : DescribeInstanceMesh(instance, meshCount, *table, nodeOffset, elementOffset,
                                   message);
    switch (outcome) {
      case MeshOutcome::kWritten:
        ++meshCount;
        break;
      case MeshOutcome::kSkipped:
        break;
      case MeshOutcome::kFailed:
        SetMessage(interp, message);
        return -1;
    }
  }
  return meshCount;
}
