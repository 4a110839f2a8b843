#include "odb_api_session.h"

#include <exception>
#include <new>

#include "odb_API.h"
#include "tcl_result.h"

namespace {

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

// Finalises the ODB API on every exit of a command.
class OdbApiSession {
 public:
  OdbApiSession() = default;
  OdbApiSession(const OdbApiSession&) = delete;
  OdbApiSession& operator=(const OdbApiSession&) = delete;
  ~OdbApiSession() {
    try {
      odb_finalizeAPI();
    } catch (...) {
      // Nothing is left to report to: the command has already ended.
    }
  }
};

}  // namespace

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
