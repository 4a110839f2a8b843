// Opening the database a command reads, through its upgraded copy when it is in the previous
// format, and closing it before the API is finalised.
#pragma once

#include <tcl.h>

#include <string>
#include <vector>

class odb_Odb;

// Opens the database for reading only, through its upgraded copy (made beside it) when it is
// in the previous format. Returns null, with the interpreter's result set, when the name holds
// a NUL or the copy would be written over one of outputs (files the caller is writing). Throws
// the API's exceptions; call within RunWithOdbApi (odb_api_session.h).
odb_Odb* OpenDatabase(Tcl_Interp* interp, const std::string& input,
                      const std::vector<std::string>& outputs = {});

// Closes the database it is given when it goes; declared within RunWithOdbApi right after
// OpenDatabase, it closes the database before the API is finalised, on every exit.
class DatabaseCloser {
 public:
  explicit DatabaseCloser(odb_Odb* odb) : m_odb(odb) {}
  ~DatabaseCloser();
  DatabaseCloser(const DatabaseCloser&) = delete;
  DatabaseCloser& operator=(const DatabaseCloser&) = delete;

 private:
  odb_Odb* m_odb;
};
