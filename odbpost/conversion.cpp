#include "conversion.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "api_guard.h"
#include "element_shape.h"
#include "file_system.h"
#include "instance_mesh.h"
#include "mesh_table.h"
#include "odb_API.h"
#include "paths.h"
#include "post_interface.h"
#include "post_types.h"
#include "progress.h"
#include "replacement_file.h"
#include "result_walk.h"
#include "selection.h"
#include "selection_check.h"

namespace {

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
  bool Open(const char* path, int mode) {
    m_open = PostOpenResultFile(path, mode) == 0;
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
// Instances the selection leaves out are only described, so that ids and names stay those of
// the whole model.
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

}  // namespace

odb_Odb* OpenDatabase(Tcl_Interp* interp, const std::string& input,
                      const std::vector<std::string>& outputs) {
  // No file name holds a NUL character; cut there, the name would be another file's.
  if (input.find('\0') != std::string::npos) {
    SetMessage(interp, "Could not open inputfile: its name holds a NUL character");
    return nullptr;
  }
  odb_String inputName(input.c_str());
  if (isUpgradeRequiredForOdb(inputName)) {
    const std::string upgraded = UpgradedName(input);
    for (const std::string& output : outputs) {
      if (WritesDatabaseFiles(output, upgraded)) {
        SetMessage(interp, "Could not open outputfile");
        return nullptr;
      }
    }
    upgradeOdb(inputName, odb_String(upgraded.c_str()));
    inputName = odb_String(upgraded.c_str());
  }
  // A converter only reads: read-write access would be refused on a write-protected database
  // or one an analysis still writes, and would put the input at risk.
  return &openOdb(inputName, true);
}

DatabaseCloser::~DatabaseCloser() {
  if (m_odb == nullptr) return;
  try {
    m_odb->close();
  } catch (...) {
    // Closing ends the reading; nothing is left to report to.
  }
}

int RunWithOdbApi(Tcl_Interp* interp, const std::function<int()>& body) {
  OdbApiSession api;
  try {
    odb_initializeAPI();
    return body();
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

namespace {

int Convert(Tcl_Interp* interp, const std::string& input, const std::string& output,
            const ConversionSettings& settings) {
  return RunWithOdbApi(interp, [&]() -> int {
    platform::ReplacementFile replacement;
    // Declared after the replacement, so the file is closed before it is moved or removed.
    OutputFile out;
    std::unique_ptr<MeshTable> table;

    // No file name holds a NUL character; cut there, the name would be another file's.
    if (output.find('\0') != std::string::npos || !IsWritableOutput(input, output)) {
      SetMessage(interp, "Could not open outputfile");
      return TCL_ERROR;
    }
    bool replaces = false;
    if (settings.replaceOutput) {
      const platform::ReplacementFile::Plan plan = replacement.Prepare(output);
      if (plan == platform::ReplacementFile::Plan::kRefused) {
        SetMessage(interp, "Could not open outputfile");
        return TCL_ERROR;
      }
      replaces = plan == platform::ReplacementFile::Plan::kReplace;
    }
    const std::string& written = settings.replaceOutput ? replacement.WritePath() : output;
    // The plain conversion opens its output before the database is read; with a selection
    // every check of it comes first.
    if (settings.selection == nullptr && !out.Open(written.c_str(), settings.mode)) {
      SetMessage(interp, "Could not open outputfile");
      return TCL_ERROR;
    }
    // The upgrade must not write over the open output.
    odb_Odb* database = OpenDatabase(interp, input, {output, written});
    if (database == nullptr) return TCL_ERROR;
    const DatabaseCloser closer(database);
    odb_Odb& odb = *database;
    const Selection everything;
    const Selection& selection = settings.selection ? *settings.selection : everything;
    if (settings.selection != nullptr) {
      if (CheckSelection(interp, odb, selection, settings.selectionWords) != TCL_OK) {
        return TCL_ERROR;
      }
      if (!out.Open(written.c_str(), settings.mode)) {
        SetMessage(interp, "Could not open outputfile");
        return TCL_ERROR;
      }
    }

    const int meshCount = WriteMeshes(interp, odb, selection, table);
    if (meshCount < 0) return TCL_ERROR;
    PostEndMesh();
    int code = settings.progress->MeshesWritten();
    if (code != TCL_OK) return code;

    code = TranslateResults(interp, odb, *table, meshCount, selection, *settings.progress,
                            settings.skipUnplaceableFields ? UnplaceableFields::kSkip
                                                           : UnplaceableFields::kRefuse);
    if (code != TCL_OK) return code;
    // The binary writer learns of a failed write (a full disk) only when the file closes.
    if (out.Close() != 0 || (replaces && !replacement.Commit())) {
      SetMessage(interp, "Could not write outputfile");
      return TCL_ERROR;
    }
    return TCL_OK;
  });
}

}  // namespace

int RunConversion(Tcl_Interp* interp, const std::string& input, const std::string& output,
                  const ConversionSettings& settings) {
  // Released after Convert has finalised the API; refused before anything is written.
  ApiGuard guard;
  if (!guard.Taken()) {
    SetMessage(interp, kConversionRefused);
    return TCL_ERROR;
  }
  int code = TCL_ERROR;
  try {
    code = Convert(interp, input, output, settings);
  } catch (...) {
    SetMessage(interp, "odbpost: out of memory");
  }
  return code;
}
