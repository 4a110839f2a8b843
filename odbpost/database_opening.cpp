#include "database_opening.h"

#include "odb_API.h"
#include "paths.h"
#include "tcl_result.h"

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
