// The database and the top-level commands of the ODB API.
#pragma once

#include <memory>

#include "odb_Mesh.h"
#include "odb_Results.h"
#include "odb_String.h"

namespace odbapi_detail {
class Database;
}

class odb_Odb {
 public:
  explicit odb_Odb(std::shared_ptr<odbapi_detail::Database> db);
  ~odb_Odb();
  odb_Odb(const odb_Odb&) = delete;
  odb_Odb& operator=(const odb_Odb&) = delete;

  odb_String name() const;
  odb_Assembly& rootAssembly() { return m_rootAssembly; }
  odb_StepRepository& steps() { return m_steps; }
  // Ends all reading; later reads throw.
  void close();

 private:
  std::shared_ptr<odbapi_detail::Database> m_db;
  odb_Assembly m_rootAssembly;
  odb_StepRepository m_steps;
};

// Before any other call and after the last one. Finalising closes every database that
// openOdb opened since initialisation and releases it.
void odb_initializeAPI();
void odb_finalizeAPI();

// True for a database in the previous format.
bool isUpgradeRequiredForOdb(const odb_String& upgradeRequiredOdbPath);
// Writes a current-format copy of the existing database at the upgraded path; the existing
// one is not changed, and a failed upgrade leaves no file at the upgraded path.
void upgradeOdb(const odb_String& existingOdbPath, const odb_String& upgradedOdbPath);
// Opens a current-format database, always read-only whatever readOnly says; internal sets
// are not stored. The database stays open until its close() or odb_finalizeAPI. With the
// environment variable ODBAPI_OPEN_LOG naming a file, each call appends a line to it: "read-only"
// or "read-write", as readOnly asks, and the path.
odb_Odb& openOdb(const odb_String& path, bool readOnly = false, bool readInternalSets = false);
