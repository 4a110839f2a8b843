#include "tools_contents_command.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "api_guard.h"
#include "database_opening.h"
#include "field_types.h"
#include "field_walk.h"
#include "file_arguments.h"
#include "instance_mesh.h"
#include "odb_API.h"
#include "odb_api_session.h"
#include "selection.h"

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
  // As the mesh stage reads it; 0 for a space it refuses.
  Put(dict, "dimension", Tcl_NewIntObj(DimensionOfEmbeddedSpace(instance.embeddedSpace())));
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

// Per step: the number of frames, each frame's description, and each field output's type and
// position, taken from its first frame.
class StepContents : public FieldVisitor {
 public:
  StepContents() : m_steps(Tcl_NewDictObj()) { Tcl_IncrRefCount(m_steps); }
  ~StepContents() {
    Tcl_DecrRefCount(m_steps);
    Release();
  }
  StepContents(const StepContents&) = delete;
  StepContents& operator=(const StepContents&) = delete;

  int StepBegun(const odb_String& name, odb_Step& step, int, int) override {
    EndStep();
    m_name = name;
    m_frameCount = step.frames().size();
    m_descriptions = Held(Tcl_NewListObj(0, nullptr));
    m_fields = Held(Tcl_NewDictObj());
    return 0;
  }
  int FrameBegun(odb_Frame& frame, int, int, int) override {
    Tcl_ListObjAppendElement(nullptr, m_descriptions, Text(frame.description().CStr()));
    return 0;
  }
  int FieldOutputFound(odb_FieldOutputRepository& outputs, const odb_String& name) override {
    Tcl_Obj* key = Held(Text(name.CStr()));
    Tcl_Obj* known = nullptr;
    Tcl_DictObjGet(nullptr, m_fields, key, &known);
    if (known == nullptr) {
      const odb_FieldOutput& output = outputs[name];
      const odb_SequenceFieldLocation& locations = output.locations();
      Tcl_Obj* entry = Tcl_NewDictObj();
      Put(entry, "type", EnumName(DataTypeName(output.type()), output.type()));
      if (locations.size() > 0) {
        const int position = locations.constGet(0).position();
        Put(entry, "position", EnumName(PositionName(position), position));
      } else {
        Put(entry, "position", Text(""));
      }
      Tcl_DictObjPut(nullptr, m_fields, key, entry);
    }
    Tcl_DecrRefCount(key);
    return 0;
  }
  // The dictionary of step name to step contents, once the walk is over.
  Tcl_Obj* Steps() {
    EndStep();
    return m_steps;
  }

 private:
  static Tcl_Obj* Held(Tcl_Obj* object) {
    Tcl_IncrRefCount(object);
    return object;
  }
  // Puts the step begun last, if any, into the steps.
  void EndStep() {
    if (m_descriptions == nullptr) return;
    Tcl_Obj* contents = Tcl_NewDictObj();
    Put(contents, "frames", Tcl_NewIntObj(m_frameCount));
    Put(contents, "descriptions", m_descriptions);
    Put(contents, "fields", m_fields);
    Put(m_steps, m_name.CStr(), contents);
    Release();
  }
  void Release() {
    if (m_descriptions == nullptr) return;
    Tcl_DecrRefCount(m_descriptions);
    Tcl_DecrRefCount(m_fields);
    m_descriptions = nullptr;
    m_fields = nullptr;
  }

  Tcl_Obj* m_steps;
  // The step begun last, until EndStep.
  odb_String m_name;
  int m_frameCount = 0;
  Tcl_Obj* m_descriptions = nullptr;
  Tcl_Obj* m_fields = nullptr;
};

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
      StepContents steps;
      WalkFields(odb, Selection(), steps);
      Put(result, "steps", steps.Steps());
    } catch (...) {
      Tcl_DecrRefCount(result);
      throw;
    }
    Tcl_SetObjResult(interp, result);
    Tcl_DecrRefCount(result);
    return TCL_OK;
  });
}
