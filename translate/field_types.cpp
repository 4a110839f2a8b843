#include "field_types.h"

#include "odb_API.h"
#include "post_types.h"

int ResultTypeOfDataType(int dataType) {
  switch (dataType) {
    case odb_Enum::BOOLEAN:
    case odb_Enum::INTEGER:
    case odb_Enum::SCALAR:
      return RESULT_SCALAR;
    case odb_Enum::VECTOR:
      return RESULT_VECTOR;
    case odb_Enum::MATRIX:
    case odb_Enum::TENSOR_3D_FULL:
    case odb_Enum::TENSOR_3D_PLANAR:
    case odb_Enum::TENSOR_3D_SURFACE:
    case odb_Enum::TENSOR_2D_SURFACE:
      return RESULT_MATRIX;
    case odb_Enum::TENSOR_2D_PLANAR:
      return RESULT_PLAIN_DEFORMATION_MATRIX;
    default:
      return -1;
  }
}
