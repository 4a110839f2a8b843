#include "tools_contents_command.h"

#include <memory>
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
#include "tcl_ref.h"

namespace {

Tcl_Obj* Text(const char* text) { return Tcl_NewStringObj(text, -1); }

void Put(Tcl_Obj* dict, const char* key, Tcl_Obj* value) {
  Tcl_DictObjPut(nullptr, dict, Text(key), value);
}

// An enumerator's name, or its code for one without a name here.
Tcl_Obj* EnumName(const char* name, int code) {
  return name != nullptr ? Text(name) : Tcl_NewIntObj(code);
}

// Everything is read from the database before the first Tcl object is made, so that an
// exception of the API leaves no object behind.
Tcl_Obj* InstanceContents(const odb_Instance& instance) {
  // As the mesh stage reads it; 0 for a space it refuses.
  const int dimension = DimensionOfEmbeddedSpace(instance.embeddedSpace());
  const int nodeCount = instance.nodes().size();
  const odb_SequenceElement& elements = instance.elements();
  // Counted by name, kept in order of first appearance.
  std::unordered_map<std::string, int> counts;
  std::vector<std::string> order;
  for (int i = 0; i < elements.size(); ++i) {
    const odb_String type = elements[i].type();
    auto found = counts.emplace(type.CStr(), 0);
    if (found.second) order.push_back(type.CStr());
    ++found.first->second;
  }
  Tcl_Obj* dict = Tcl_NewDictObj();
  Put(dict, "dimension", Tcl_NewIntObj(dimension));
  Put(dict, "nodes", Tcl_NewIntObj(nodeCount));
  Put(dict, "elements", Tcl_NewIntObj(elements.size()));
  Tcl_Obj* types = Tcl_NewDictObj();
  for (const std::string& type : order) Put(types, type.c_str(), Tcl_NewIntObj(counts[type]));
  Put(dict, "elementTypes", types);
  return dict;
}

// Per step: the number of frames, each frame's description, and each field output's type and
// position, taken from its first frame.
class StepContents : public FieldVisitor {
 public:
  int StepBegun(const odb_String& name, odb_Step& step, int, int) override {
    EndStep();
    m_name = name;
    m_frameCount = step.frames().size();
    m_descriptions = std::make_unique<TclRef>(Tcl_NewListObj(0, nullptr));
    m_fields = std::make_unique<TclRef>(Tcl_NewDictObj());
    return 0;
  }
  int FrameBegun(odb_Frame& frame, int, int, int) override {
    Tcl_ListObjAppendElement(nullptr, m_descriptions->get(), Text(frame.description().CStr()));
    return 0;
  }
  int FieldOutputFound(odb_FieldOutputRepository& outputs, const odb_String& name) override {
    const TclRef key(Text(name.CStr()));
    Tcl_Obj* known = nullptr;
    Tcl_DictObjGet(nullptr, m_fields->get(), key.get(), &known);
    if (known == nullptr) {
      const odb_FieldOutput& output = outputs[name];
      const odb_SequenceFieldLocation& locations = output.locations();
      const int position = locations.size() > 0 ? locations.constGet(0).position() : 0;
      const TclRef entry(Tcl_NewDictObj());
      Put(entry.get(), "type", EnumName(DataTypeName(output.type()), output.type()));
      Put(entry.get(), "position",
          locations.size() > 0 ? EnumName(PositionName(position), position) : Text(""));
      Tcl_DictObjPut(nullptr, m_fields->get(), key.get(), entry.get());
    }
    return 0;
  }
  // The dictionary of step name to step contents, once the walk is over.
  Tcl_Obj* Steps() {
    EndStep();
    return m_steps.get();
  }

 private:
  // Puts the step begun last, if any, into the steps.
  void EndStep() {
    if (m_descriptions == nullptr) return;
    Tcl_Obj* contents = Tcl_NewDictObj();
    Put(contents, "frames", Tcl_NewIntObj(m_frameCount));
    Put(contents, "descriptions", m_descriptions->get());
    Put(contents, "fields", m_fields->get());
    Put(m_steps.get(), m_name.CStr(), contents);
    m_descriptions.reset();
    m_fields.reset();
  }

  TclRef m_steps{Tcl_NewDictObj()};
  // The step begun last, until EndStep.
  odb_String m_name;
  int m_frameCount = 0;
  std::unique_ptr<TclRef> m_descriptions;
  std::unique_ptr<TclRef> m_fields;
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
    const TclRef result(Tcl_NewDictObj());
    const TclRef instances(Tcl_NewDictObj());
    odb_InstanceRepository& repository = odb.rootAssembly().instances();
    odb_InstanceRepositoryIT instance(repository);
    for (instance.first(); !instance.isDone(); instance.next()) {
      Put(instances.get(), instance.currentKey().CStr(),
          InstanceContents(repository[instance.currentKey()]));
    }
    Put(result.get(), "instances", instances.get());
    StepContents steps;
    WalkFields(odb, Selection(), steps);
    Put(result.get(), "steps", steps.Steps());
    Tcl_SetObjResult(interp, result.get());
    return TCL_OK;
  });
}
