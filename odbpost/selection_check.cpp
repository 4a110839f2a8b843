#include "selection_check.h"

#include <vector>

#include "field_walk.h"
#include "odb_API.h"
#include "selection.h"

namespace {

// Adds a name unless it is there already ignoring case: names in order of first appearance.
void AddOnce(NameSet& names, const char* name) {
  if (!names.Has(name)) names.Add(name);
}

// "unknown KIND "NAME": the database has A B ...", the names as a Tcl list.
int RefuseName(Tcl_Interp* interp, const char* kind, const std::string& name,
               const NameSet& known) {
  Tcl_Obj* list = Tcl_NewListObj(0, nullptr);
  Tcl_IncrRefCount(list);
  for (const std::string& each : known.given()) {
    Tcl_ListObjAppendElement(nullptr, list, Tcl_NewStringObj(each.c_str(), -1));
  }
  Tcl_Obj* message = Tcl_NewStringObj("unknown ", -1);
  Tcl_AppendStringsToObj(message, kind, " \"", name.c_str(), "\": the database has ",
                         known.given().empty() ? "none" : Tcl_GetString(list),
                         static_cast<char*>(nullptr));
  Tcl_SetObjResult(interp, message);
  Tcl_DecrRefCount(list);
  return TCL_ERROR;
}

// The first name of the set not in the list, or null.
const std::string* FirstMissing(const NameSet& wanted, const NameSet& present) {
  for (const std::string& name : wanted.given()) {
    if (!present.Has(name.c_str())) return &name;
  }
  return nullptr;
}

// The field outputs the walk comes to, and whether wanted keeps any of them.
class FieldNames : public FieldVisitor {
 public:
  explicit FieldNames(const NameSet& wanted) : m_wanted(wanted) {}
  int FieldOutputFound(odb_FieldOutputRepository&, const odb_String& key) override {
    AddOnce(m_found, key.CStr());
    if (m_wanted.Keeps(key.CStr())) m_keepsAny = true;
    return 0;
  }
  const NameSet& found() const { return m_found; }
  bool keepsAny() const { return m_keepsAny; }

 private:
  const NameSet& m_wanted;
  NameSet m_found;
  bool m_keepsAny = false;
};

}  // namespace

int CheckSelection(Tcl_Interp* interp, odb_Odb& odb, const Selection& selection,
                   const std::string& words) {
  NameSet instanceNames;
  odb_InstanceRepositoryIT instance(odb.rootAssembly().instances());
  for (instance.first(); !instance.isDone(); instance.next()) {
    AddOnce(instanceNames, instance.currentKey().CStr());
  }
  if (const std::string* missing = FirstMissing(selection.instances, instanceNames)) {
    return RefuseName(interp, "instance", *missing, instanceNames);
  }

  odb_StepRepositoryIT step(odb.steps());
  NameSet stepNames;
  for (step.first(); !step.isDone(); step.next()) AddOnce(stepNames, step.currentKey().CStr());
  if (const std::string* missing = FirstMissing(selection.steps, stepNames)) {
    return RefuseName(interp, "step", *missing, stepNames);
  }

  // The field outputs of the kept frames, whatever their names; only these are read unless a
  // name is missing.
  Selection keptFrames = selection;
  keptFrames.fields = NameSet();
  FieldNames kept(selection.fields);
  WalkFields(odb, keptFrames, kept);
  if (FirstMissing(selection.fields, kept.found()) != nullptr) {
    FieldNames all(selection.fields);
    WalkFields(odb, Selection(), all);
    if (const std::string* missing = FirstMissing(selection.fields, all.found())) {
      return RefuseName(interp, "field output", *missing, all.found());
    }
  }
  if (!kept.keepsAny()) {
    Tcl_Obj* message = Tcl_NewStringObj("the selection keeps no result: ", -1);
    Tcl_AppendStringsToObj(message, words.c_str(), static_cast<char*>(nullptr));
    Tcl_SetObjResult(interp, message);
    return TCL_ERROR;
  }
  return TCL_OK;
}
