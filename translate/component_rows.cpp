#include "component_rows.h"

#include <tcl.h>

#include <cstdio>
#include <string>

#include "post_interface.h"
#include "post_types.h"

int ResultTypeOfWidth(int width) {
  switch (width) {
    case 1:
      return RESULT_SCALAR;
    case 2:
    case 3:
      return RESULT_VECTOR;
    case 4:
      return RESULT_PLAIN_DEFORMATION_MATRIX;
    case 6:
      return RESULT_MATRIX;
    default:
      return -1;
  }
}

void SetUnknownWidthMessage(Tcl_Interp* interp, int width) {
  char message[64];
  std::snprintf(message, sizeof message, "unknown numComp: %d\n", width);
  Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
}

bool ResultRowId(Tcl_Interp* interp, int label, int offset, const LabelOrigin& origin,
                 int previous, int& id) {
  std::string refusal;
  if (BlockRowId(label, offset, origin, previous, id, refusal)) return true;
  Tcl_SetObjResult(interp, Tcl_NewStringObj(refusal.c_str(), -1));
  return false;
}
