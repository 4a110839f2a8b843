#include "conversion_command.h"

#include <exception>
#include <memory>
#include <new>
#include <string>

#include "element_shape.h"
#include "file_arguments.h"
#include "instance_mesh.h"
#include "mesh_table.h"
#include "odb_API.h"
#include "paths.h"
#include "post_interface.h"
#include "post_types.h"
#include "progress.h"
#include "result_walk.h"

namespace {

// The writer and the API hold process-wide state, so a conversion started from a progress
// script while another runs would pull the database from under the first.
bool g_conversionInProgress = false;

void SetMessage(Tcl_Interp* interp, const char* text) {
  Tcl_SetObjResult(interp, Tcl_NewStringObj(text, -1));
}

// Appends to the interpreter's result; a shared result object is replaced by a copy first,
// since Tcl forbids changing a shared object.
void AppendToResult(Tcl_Interp* interp, const char* prefix, const char* text) {
  Tcl_Obj* result = Tcl_GetObjResult(interp);
  if (Tcl_IsShared(result)) {
    result = Tcl_DuplicateObj(result);
    Tcl_SetObjResult(interp, result);
  }
  Tcl_AppendStringsToObj(result, prefix, text, static_cast<char*>(nullptr));
}

// Finalises the ODB API on every exit of a conversion.
class OdbApiSession {
 public:
  OdbApiSession() = default;
  OdbApiSession(const OdbApiSession&) = delete;
  OdbApiSession& operator=(const OdbApiSession&) = delete;
  ~OdbApiSession() {
    try {
      odb_finalizeAPI();
    } catch (...) {
      // Nothing is left to report to: the conversion has already ended.
    }
  }
};

// The binary results file of one conversion; closed on every exit, and Close() reports
// whether everything reached the disk.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() {
    if (m_open) PostCloseResultFile();
  }
  bool Open(const char* path) {
    m_open = PostOpenResultFile(path, MODE_BINARY) == 0;
    return m_open;
  }
  int Close() {
    if (!m_open) return 1;
    m_open = false;
    return PostCloseResultFile();
  }

 private:
  bool m_open = false;
};

// Opening the output truncates it, so it must not be the database or a file that SQLite keeps
// beside it or beside its upgraded copy (a journal truncated before SQLite replays it loses
// committed data); and a FIFO or a socket would wait for a reader for ever.
bool IsWritableOutput(const std::string& input, const std::string& output) {
  return !WritesDatabaseFiles(output, input) &&
         !WritesCompanionFiles(output, UpgradedName(input)) && !IsPipeOrSocket(output.c_str());
}

// Writes one mesh per instance of the root assembly; returns the number of meshes written,
// or -1 with the interpreter's result set.
int WriteMeshes(Tcl_Interp* interp, odb_Odb& odb, std::unique_ptr<MeshTable>& table) {
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
    switch (WriteInstanceMesh(instance, meshCount, *table, nodeOffset, elementOffset, message)) {
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

int Convert(Tcl_Interp* interp, const std::string& input, const std::string& output) {
  OdbApiSession api;
  OutputFile out;
  std::unique_ptr<MeshTable> table;
  try {
    odb_initializeAPI();
    odb_String inputName(input.c_str());

    // No file name holds a NUL character; cut there, the name would be another file's.
    if (output.find('\0') != std::string::npos || !IsWritableOutput(input, output) ||
        !out.Open(output.c_str())) {
      SetMessage(interp, "Could not open outputfile");
      return TCL_ERROR;
    }
    if (input.find('\0') != std::string::npos) {
      SetMessage(interp, "Could not open inputfile: its name holds a NUL character");
      return TCL_ERROR;
    }
    if (isUpgradeRequiredForOdb(inputName)) {
      const std::string upgraded = UpgradedName(input);
      // The upgrade would overwrite the open output.
      if (WritesDatabaseFiles(output, upgraded)) {
        SetMessage(interp, "Could not open outputfile");
        return TCL_ERROR;
      }
      upgradeOdb(inputName, odb_String(upgraded.c_str()));
      inputName = odb_String(upgraded.c_str());
    }
    odb_Odb& odb = openOdb(inputName, false);

    const int meshCount = WriteMeshes(interp, odb, table);
    if (meshCount < 0) return TCL_ERROR;
    PostEndMesh();
    ReportProgress(interp, 20);

    const int code = TranslateResults(interp, odb, *table, meshCount);
    if (code != TCL_OK) return code;
    // The binary writer learns of a failed write (a full disk) only when the file closes.
    if (out.Close() != 0) {
      SetMessage(interp, "Could not write outputfile");
      return TCL_ERROR;
    }
    return TCL_OK;
  } catch (const odb_BaseException& e) {
    // Every failure of the API, whichever class derived from the base it is.
    const odb_String report = e.UserReport();
    // What the last progress evaluation left in the result (an error text, or the value a
    // host's procedure returned) is no part of the message.
    Tcl_ResetResult(interp);
    AppendToResult(interp, "ABAQUS exception: ", report.CStr());
  } catch (const std::bad_alloc&) {
    SetMessage(interp, "odbpost: out of memory");
  } catch (const std::exception& e) {
    SetMessage(interp, "odbpost: internal error: ");
    AppendToResult(interp, "", e.what());
  } catch (...) {
    SetMessage(interp, "odbpost: unexpected internal error");
  }
  return TCL_ERROR;
}

}  // namespace

int ConversionCommand(ClientData, Tcl_Interp* interp, int objc, Tcl_Obj* const objv[]) {
  if (objc < 3) {
    Tcl_WrongNumArgs(interp, 1, objv, "inputfile outputfile");
    return TCL_ERROR;
  }
  if (g_conversionInProgress) {
    SetMessage(interp, "Could not open outputfile");
    return TCL_ERROR;
  }
  g_conversionInProgress = true;
  int code = TCL_ERROR;
  try {
    code = Convert(interp, FileSystemPathOf(objv[1]), FileSystemPathOf(objv[2]));
  } catch (...) {
    // Copying the arguments can only fail for want of memory.
    SetMessage(interp, "odbpost: out of memory");
  }
  g_conversionInProgress = false;
  return code;
}
