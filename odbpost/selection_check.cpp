#include "selection_check.h"

#include <vector>

#include "names.h"
#include "odb_API.h"
#include "selection.h"

namespace {

// Names in order of first appearance, each once ignoring case.
class NameList {
 public:
  void Add(const char* name) {
    if (m_seen.Keeps(name) && !m_seen.empty()) return;
    m_seen.Add(name);
  }
  bool Has(const std::string& name) const { return !m_seen.empty() && m_seen.Keeps(name.c_str()); }
  const std::vector<std::string>& names() const { return m_seen.given(); }

 private:
  NameSet m_seen;
};

// "unknown KIND "NAME": the database has A B ...", the names as a Tcl list.
int RefuseName(Tcl_Interp* interp, const char* kind, const std::string& name,
               const NameList& known) {
  Tcl_Obj* list = Tcl_NewListObj(0, nullptr);
  Tcl_IncrRefCount(list);
  for (const std::string& each : known.names()) {
    Tcl_ListObjAppendElement(nullptr, list, Tcl_NewStringObj(each.c_str(), -1));
  }
  Tcl_Obj* message = Tcl_NewStringObj("unknown ", -1);
  Tcl_AppendStringsToObj(message, kind, " \"", name.c_str(), "\": the database has ",
                         known.names().empty() ? "none" : Tcl_GetString(list),
                         static_cast<char*>(nullptr));
  Tcl_SetObjResult(interp, message);
  Tcl_DecrRefCount(list);
  return TCL_ERROR;
}

// The first name of the set not in the list, or null.
const std::string* FirstMissing(const NameSet& wanted, const NameList& present) {
  for (const std::string& name : wanted.given()) {
    if (!present.Has(name)) return &name;
  }
  return nullptr;
}

}  // namespace

int CheckSelection(Tcl_Interp* interp, odb_Odb& odb, const Selection& selection,
                   const std::string& words) {
  NameList instanceNames;
  odb_InstanceRepositoryIT instance(odb.rootAssembly().instances());
  for (instance.first(); !instance.isDone(); instance.next()) {
    instanceNames.Add(instance.currentKey().CStr());
  }
  if (const std::string* missing = FirstMissing(selection.instances, instanceNames)) {
    return RefuseName(interp, "instance", *missing, instanceNames);
  }

  odb_StepRepository& steps = odb.steps();
  odb_StepRepositoryIT step(steps);
  NameList stepNames;
  for (step.first(); !step.isDone(); step.next()) stepNames.Add(step.currentKey().CStr());
  if (const std::string* missing = FirstMissing(selection.steps, stepNames)) {
    return RefuseName(interp, "step", *missing, stepNames);
  }

  // The field outputs of the kept frames; only these are read unless a name is missing.
  NameList keptFields;
  bool keepsAny = false;
  for (step.first(); !step.isDone(); step.next()) {
    const odb_String stepName = step.currentKey();
    if (!selection.steps.Keeps(stepName.CStr())) continue;
    odb_SequenceFrame& frames = steps[stepName].frames();
    for (int j : selection.FramesOf(frames.size())) {
      odb_FieldOutputRepositoryIT field(frames[j].fieldOutputs());
      for (field.first(); !field.isDone(); field.next()) {
        keptFields.Add(field.currentKey().CStr());
        if (selection.fields.Keeps(field.currentKey().CStr())) keepsAny = true;
      }
    }
  }
  if (FirstMissing(selection.fields, keptFields) != nullptr) {
    NameList allFields;
    for (step.first(); !step.isDone(); step.next()) {
      odb_SequenceFrame& frames = steps[step.currentKey()].frames();
      for (int j = 0; j < frames.size(); ++j) {
        odb_FieldOutputRepositoryIT field(frames[j].fieldOutputs());
        for (field.first(); !field.isDone(); field.next()) allFields.Add(field.currentKey().CStr());
      }
    }
    if (const std::string* missing = FirstMissing(selection.fields, allFields)) {
      return RefuseName(interp, "field output", *missing, allFields);
    }
  }
  if (!keepsAny) {
    Tcl_Obj* message = Tcl_NewStringObj("the selection keeps no result: ", -1);
    Tcl_AppendStringsToObj(message, words.c_str(), static_cast<char*>(nullptr));
    Tcl_SetObjResult(interp, message);
    return TCL_ERROR;
  }
  return TCL_OK;
}
