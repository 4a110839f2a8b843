#include "tools_convert_command.h"

#include <string>

#include "conversion.h"
#include "file_arguments.h"
#include "post_types.h"
#include "replacement_file.h"
#include "selection.h"
#include "tcl_result.h"
#include "walk_progress.h"

namespace {

// The count type of Tcl's list calls: int in Tcl 8, Tcl_Size in Tcl 9.
#if TCL_MAJOR_VERSION >= 9
using ListCount = Tcl_Size;
#else
using ListCount = int;
#endif

// {*}CMDPREFIX percent at the start of every kept frame and 100 at the end. A break cancels
// the conversion; an error cancels it with that error's message. Either way the error code
// is {ODBPOST CANCELLED}.
class ScriptProgress : public WalkProgress {
 public:
  ScriptProgress(Tcl_Interp* interp, Tcl_Obj* prefix) : m_interp(interp), m_prefix(prefix) {
    if (m_prefix != nullptr) Tcl_IncrRefCount(m_prefix);
  }
  ~ScriptProgress() override {
    if (m_prefix != nullptr) Tcl_DecrRefCount(m_prefix);
  }
  ScriptProgress(const ScriptProgress&) = delete;
  ScriptProgress& operator=(const ScriptProgress&) = delete;

  int MeshesWritten() override { return TCL_OK; }
  int StepStarted(int, int) override { return TCL_OK; }
  int FrameStarted(int step, int stepCount, int frame, int frameCount) override {
    // Steps weigh the same, frames share their step's part.
    const long long done = static_cast<long long>(step) * frameCount + frame;
    return Report(static_cast<int>(100 * done / (static_cast<long long>(stepCount) * frameCount)));
  }
  int Finished() override { return Report(100); }

 private:
  int Report(int percent) {
    if (m_prefix == nullptr) return TCL_OK;
    Tcl_Obj* command = Tcl_DuplicateObj(m_prefix);
    Tcl_IncrRefCount(command);
    int code = Tcl_ListObjAppendElement(m_interp, command, Tcl_NewIntObj(percent));
    if (code == TCL_OK) code = Tcl_EvalObjEx(m_interp, command, TCL_EVAL_GLOBAL);
    Tcl_DecrRefCount(command);
    if (code == TCL_BREAK) SetMessage(m_interp, "conversion cancelled");
    if (code != TCL_BREAK && code != TCL_ERROR) return TCL_OK;
    // Both end the conversion as the host asked; a caller tells them from its failures by the
    // error code, while the message stays the script's own.
    Tcl_SetErrorCode(m_interp, "ODBPOST", "CANCELLED", static_cast<char*>(nullptr));
    return TCL_ERROR;
  }

  Tcl_Interp* m_interp;
  Tcl_Obj* m_prefix;
};

// The names of a Tcl list added to the set; false with the result set when it is no list.
bool AddNames(Tcl_Interp* interp, Tcl_Obj* list, NameSet& names) {
  ListCount count = 0;
  Tcl_Obj** items = nullptr;
  if (Tcl_ListObjGetElements(interp, list, &count, &items) != TCL_OK) return false;
  for (ListCount i = 0; i < count; ++i) names.Add(Tcl_GetString(items[i]));
  return true;
}

struct ConvertOptions {
  Selection selection;
  bool selects = false;  // any of -steps, -frames, -fields, -instances
  std::string words;     // those options as given
  int mode = MODE_BINARY;
  Tcl_Obj* progress = nullptr;
  int firstFile = 0;  // objv index of inputfile
};

// Parses the options; TCL_ERROR with a message naming the offending word.
int ParseOptions(Tcl_Interp* interp, int objc, Tcl_Obj* const objv[], ConvertOptions& options) {
  int i = 1;
  for (; i < objc; i += 2) {
    const std::string option = Tcl_GetString(objv[i]);
    if (option == "--") {
      ++i;
      break;
    }
    if (option.empty() || option[0] != '-' || objc - i <= 2) break;
    Tcl_Obj* value = objv[i + 1];
    const bool listsNames =
        option == "-steps" || option == "-fields" || option == "-instances" || option == "-frames";
    if (listsNames || option == "-progress") {
      ListCount count = 0;
      if (Tcl_ListObjLength(interp, value, &count) != TCL_OK) return TCL_ERROR;
      if (count == 0 && option == "-progress") {
        // An empty command prefix calls nothing.
        SetMessage(interp, (std::string("bad progress command \"") + Tcl_GetString(value) +
                            "\": must be a command prefix")
                               .c_str());
        return TCL_ERROR;
      }
      if (count == 0) {
        // An empty list selects nothing, so the selection keeps no result.
        Tcl_Obj* pair[2] = {objv[i], value};
        Tcl_Obj* words = Tcl_NewListObj(2, pair);
        Tcl_IncrRefCount(words);
        SetMessage(interp,
                   (std::string("the selection keeps no result: ") + Tcl_GetString(words)).c_str());
        Tcl_DecrRefCount(words);
        return TCL_ERROR;
      }
    }
    if (option == "-steps" || option == "-fields" || option == "-instances") {
      NameSet& names = option == "-steps"    ? options.selection.steps
                       : option == "-fields" ? options.selection.fields
                                             : options.selection.instances;
      if (!AddNames(interp, value, names)) return TCL_ERROR;
    } else if (option == "-frames") {
      ListCount count = 0;
      Tcl_Obj** items = nullptr;
      if (Tcl_ListObjGetElements(interp, value, &count, &items) != TCL_OK) return TCL_ERROR;
      for (ListCount k = 0; k < count; ++k) {
        FrameItem item;
        if (!ParseFrameItem(Tcl_GetString(items[k]), item)) {
          SetMessage(interp, (std::string("bad frame item \"") + Tcl_GetString(items[k]) +
                              "\": must be an index, FIRST:LAST, FIRST:LAST:STRIDE, all or last")
                                 .c_str());
          return TCL_ERROR;
        }
        options.selection.frames.push_back(item);
      }
    } else if (option == "-format") {
      const std::string format = Tcl_GetString(value);
      if (format == "binary") {
        options.mode = MODE_BINARY;
      } else if (format == "text") {
        options.mode = MODE_TEXT;
      } else if (format == "compressed") {
        options.mode = MODE_COMPRESSED_TEXT;
      } else {
        SetMessage(interp,
                   ("bad format \"" + format + "\": must be binary, text or compressed").c_str());
        return TCL_ERROR;
      }
      continue;
    } else if (option == "-progress") {
      options.progress = value;
      continue;
    } else {
      SetMessage(interp, ("bad option \"" + option +
                          "\": must be -steps, -frames, -fields, -instances, -format, "
                          "-progress or --")
                             .c_str());
      return TCL_ERROR;
    }
    options.selects = true;
    if (!options.words.empty()) options.words += ' ';
    Tcl_Obj* pair[2] = {objv[i], value};
    Tcl_Obj* words = Tcl_NewListObj(2, pair);
    Tcl_IncrRefCount(words);
    options.words += Tcl_GetString(words);
    Tcl_DecrRefCount(words);
  }
  if (objc - i != 2) {
    Tcl_WrongNumArgs(interp, 1, objv, "?options? inputfile outputfile");
    return TCL_ERROR;
  }
  options.firstFile = i;
  return TCL_OK;
}

}  // namespace

int ConvertCommand(ClientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  try {
    ConvertOptions options;
    if (ParseOptions(interp, objc, objv, options) != TCL_OK) return TCL_ERROR;
    ScriptProgress progress(interp, options.progress);
    ConversionSettings settings;
    settings.mode = options.mode;
    settings.selection = options.selects ? &options.selection : nullptr;
    settings.selectionWords = options.words;
    settings.progress = &progress;
    settings.replaceOutput = true;
    settings.skipUnplaceableFields = true;
    // The output's path is fixed now: a progress script that changes the working directory
    // changes neither where the file is made nor what it replaces. (The database is opened
    // before the first progress report.)
    const int code =
        RunConversion(interp, FileSystemPathOf(objv[options.firstFile]),
                      platform::AbsolutePath(FileSystemPathOf(objv[options.firstFile + 1])),
                      settings);
    // What the last progress command returned is no result of the conversion.
    if (code == TCL_OK) Tcl_ResetResult(interp);
    return code;
  } catch (...) {
    SetMessage(interp, "odbpost::convert: out of memory");
    return TCL_ERROR;
  }
}
