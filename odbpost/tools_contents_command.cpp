#include "tools_contents_command.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "api_guard.h"
#include "database_opening.h"
#include "field_types.h"
#include "file_arguments.h"
#include "names.h"
#include "odb_API.h"
#include "odb_api_session.h"

namespace {

Tcl_Obj* Text(const char* text) { return Tcl_NewStringObj(text, -1); }

void Put(Tcl_Obj* dict, const char* key, Tcl_Obj* value) {
  Tcl_DictObjPut(nullptr, dict, Text(key), value);
}

// An enumerator's name, or its code for one without a name here.
Tcl_Obj* EnumName(const char* name, int code) {
  return name != nullptr ? Text(name) : Tcl_NewIntObj(code);
}

Tcl_Obj* InstanceContents(const odb_Instance& instance) {
  Tcl_Obj* dict = Tcl_NewDictObj();
  const int space = instance.embeddedSpace();
  // As the mesh stage reads it: 3 for the three-dimensional space, 2 for the planar ones.
  Put(dict, "dimension", Tcl_NewIntObj(space == odb_Enum::THREE_D ? 3
                                       : space == odb_Enum::TWO_D_PLANAR ||
                                               space == odb_Enum::AXISYMMETRIC
                                           ? 2
                                           : space));
  const odb_SequenceNode& nodes = instance.nodes();
  const odb_SequenceElement& elements = instance.elements();
  Put(dict, "nodes", Tcl_NewIntObj(nodes.size()));
  Put(dict, "elements", Tcl_NewIntObj(elements.size()));
  // Counted by name, kept in order of first appearance.
  Tcl_Obj* types = Tcl_NewDictObj();
  std::unordered_map<std::string, int> counts;
  std::vector<std::string> order;
  for (int i = 0; i < elements.size(); ++i) {
    const odb_String type = elements[i].type();
    auto found = counts.emplace(type.CStr(), 0);
    if (found.second) order.push_back(type.CStr());
    ++found.first->second;
  }
  for (const std::string& type : order) Put(types, type.c_str(), Tcl_NewIntObj(counts[type]));
  Put(dict, "elementTypes", types);
  return dict;
}

Tcl_Obj* StepContents(odb_Step& step) {
  Tcl_Obj* dict = Tcl_NewDictObj();
  odb_SequenceFrame& frames = step.frames();
  Put(dict, "frames", Tcl_NewIntObj(frames.size()));
  Tcl_Obj* descriptions = Tcl_NewListObj(0, nullptr);
  Tcl_Obj* fields = Tcl_NewDictObj();
  for (int j = 0; j < frames.size(); ++j) {
    odb_Frame& frame = frames[j];
    Tcl_ListObjAppendElement(nullptr, descriptions, Text(frame.description().CStr()));
    odb_FieldOutputRepository& outputs = frame.fieldOutputs();
    odb_FieldOutputRepositoryIT field(outputs);
    for (field.first(); !field.isDone(); field.next()) {
      Tcl_Obj* key = Text(field.currentKey().CStr());
      Tcl_Obj* known = nullptr;
      Tcl_IncrRefCount(key);
      Tcl_DictObjGet(nullptr, fields, key, &known);
      if (known == nullptr) {
        const odb_FieldOutput& output = outputs[field.currentKey()];
        const odb_SequenceFieldLocation& locations = output.locations();
        Tcl_Obj* entry = Tcl_NewDictObj();
        Put(entry, "type", EnumName(DataTypeName(output.type()), output.type()));
        if (locations.size() > 0) {
          const int position = locations.constGet(0).position();
          Put(entry, "position", EnumName(PositionName(position), position));
        } else {
          Put(entry, "position", Text(""));
        }
        Tcl_DictObjPut(nullptr, fields, key, entry);
      }
      Tcl_DecrRefCount(key);
    }
  }
  Put(dict, "descriptions", descriptions);
  Put(dict, "fields", fields);
  return dict;
}

}  // namespace

int ContentsCommand(ClientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  if (objc != 2) {
    Tcl_WrongNumArgs(interp, 1, objv, "inputfile");
    return TCL_ERROR;
  }
  // Held until RunWithOdbApi has finalised the API.
  ApiGuard guard;
  if (!guard.Taken()) {
    Tcl_SetObjResult(interp, Text(kListingRefused));
    return TCL_ERROR;
  }
  return RunWithOdbApi(interp, [&]() -> int {
    const std::string input = FileSystemPathOf(objv[1]);
    odb_Odb* database = OpenDatabase(interp, input);
    if (database == nullptr) return TCL_ERROR;
    const DatabaseCloser closer(database);
    odb_Odb& odb = *database;
    Tcl_Obj* result = Tcl_NewDictObj();
    Tcl_IncrRefCount(result);
    try {
      Tcl_Obj* instances = Tcl_NewDictObj();
      odb_InstanceRepository& repository = odb.rootAssembly().instances();
      odb_InstanceRepositoryIT instance(repository);
      for (instance.first(); !instance.isDone(); instance.next()) {
        Put(instances, instance.currentKey().CStr(),
            InstanceContents(repository[instance.currentKey()]));
      }
      Put(result, "instances", instances);
      Tcl_Obj* steps = Tcl_NewDictObj();
      odb_StepRepository& stepRepository = odb.steps();
      odb_StepRepositoryIT step(stepRepository);
      for (step.first(); !step.isDone(); step.next()) {
        Put(steps, step.currentKey().CStr(), StepContents(stepRepository[step.currentKey()]));
      }
      Put(result, "steps", steps);
    } catch (...) {
      Tcl_DecrRefCount(result);
      throw;
    }
    Tcl_SetObjResult(interp, result);
    Tcl_DecrRefCount(result);
    return TCL_OK;
  });
}
