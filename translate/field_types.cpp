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

const char* DataTypeName(int dataType) {
  switch (dataType) {
    case odb_Enum::BOOLEAN: return "BOOLEAN";
    case odb_Enum::INTEGER: return "INTEGER";
    case odb_Enum::SCALAR: return "SCALAR";
    case odb_Enum::VECTOR: return "VECTOR";
    case odb_Enum::MATRIX: return "MATRIX";
    case odb_Enum::TENSOR_3D_FULL: return "TENSOR_3D_FULL";
    case odb_Enum::TENSOR_3D_PLANAR: return "TENSOR_3D_PLANAR";
    case odb_Enum::TENSOR_3D_SURFACE: return "TENSOR_3D_SURFACE";
    case odb_Enum::TENSOR_2D_PLANAR: return "TENSOR_2D_PLANAR";
    case odb_Enum::TENSOR_2D_SURFACE: return "TENSOR_2D_SURFACE";
    case odb_Enum::QUATERNION_3D: return "QUATERNION_3D";
    case odb_Enum::QUATERNION_2D: return "QUATERNION_2D";
    case odb_Enum::UNDEFINED_DATATYPE: return "UNDEFINED_DATATYPE";
    default: return nullptr;
  }
}

// Only enumerators that every release's headers declare.
const char* PositionName(int position) {
  switch (position) {
    case odb_Enum::UNDEFINED_POSITION: return "UNDEFINED_POSITION";
    case odb_Enum::NODAL: return "NODAL";
    case odb_Enum::ELEMENT_NODAL: return "ELEMENT_NODAL";
    case odb_Enum::INTEGRATION_POINT: return "INTEGRATION_POINT";
    case odb_Enum::CENTROID: return "CENTROID";
    case odb_Enum::ELEMENT_FACE: return "ELEMENT_FACE";
    case odb_Enum::WHOLE_ELEMENT: return "WHOLE_ELEMENT";
    case odb_Enum::WHOLE_REGION: return "WHOLE_REGION";
    case odb_Enum::WHOLE_PART_INSTANCE: return "WHOLE_PART_INSTANCE";
    case odb_Enum::WHOLE_MODEL: return "WHOLE_MODEL";
    case odb_Enum::GENERAL_PARTICLE: return "GENERAL_PARTICLE";
    default: return nullptr;
  }
}
