// One reference to a Tcl object, given back on every exit, an exception's too.
#pragma once

#include <tcl.h>

class TclRef {
 public:
  // Takes a reference to object (a new one, typically).
  explicit TclRef(Tcl_Obj* object) : m_object(object) { Tcl_IncrRefCount(m_object); }
  ~TclRef() { Tcl_DecrRefCount(m_object); }
  TclRef(const TclRef&) = delete;
  TclRef& operator=(const TclRef&) = delete;

  Tcl_Obj* get() const { return m_object; }

 private:
  Tcl_Obj* m_object;
};
