#include "component_rows.h"

#include <tcl.h>

#include <cstdio>
#include <string>

#include "names.h"
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

void SetUnwritableIdMessage(Tcl_Interp* interp, const char* entity, int label, const char* result) {
  char message[400];
  std::snprintf(message, sizeof message,
                "%s label %d of result \"%.200s\" cannot be written: ids in a result must not be "
                "-1 nor repeat the id before",
                entity, label, result);
  Tcl_SetObjResult(interp, Tcl_NewStringObj(message, -1));
}

void SetIdBeyondRangeMessage(Tcl_Interp* interp, const char* entity, int label, int offset,
                             const char* instance, const char* result) {
  const std::string message = IdBeyondRangeMessage(entity, label, offset, instance, result);
  Tcl_SetObjResult(interp, Tcl_NewStringObj(message.c_str(), -1));
}
