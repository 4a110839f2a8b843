#include "conversion.h"

#include <memory>
#include <string>

#include "api_guard.h"
#include "database_opening.h"
#include "mesh_stage.h"
#include "mesh_table.h"
#include "odb_api_session.h"
#include "output_file.h"
#include "paths.h"
#include "post_interface.h"
#include "replacement_file.h"
#include "result_walk.h"
#include "selection.h"
#include "selection_check.h"
#include "tcl_result.h"
#include "walk_progress.h"

namespace {

int Convert(Tcl_Interp* interp, const std::string& input, const std::string& output,
            const ConversionSettings& settings) {
  return RunWithOdbApi(interp, [&]() -> int {
    platform::ReplacementFile replacement;
    // Declared after the replacement, so the file is closed before it is moved or removed.
    OutputFile out;
    std::unique_ptr<MeshTable> table;

    if (!IsWritableOutput(input, output)) {
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
