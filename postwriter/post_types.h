// Codes shared by the writer interface and its callers.
#pragma once

// Element shapes of the results format; the code indexes the ElemType word.
enum ElementGeometry : int {
  GEOMETRY_NONE = 0,
  GEOMETRY_POINT = 1,
  GEOMETRY_LINEAR = 2,
  GEOMETRY_TRIANGLE = 3,
  GEOMETRY_QUADRILATERAL = 4,
  GEOMETRY_TETRAHEDRA = 5,
  GEOMETRY_HEXAHEDRA = 6,
};

// Kinds of result value; the code indexes the type word of a Result line.
enum ResultType : int {
  RESULT_SCALAR = 0,
  RESULT_VECTOR = 1,
  RESULT_MATRIX = 2,
  RESULT_PLAIN_DEFORMATION_MATRIX = 3,
  RESULT_MAIN_MATRIX = 4,
  RESULT_LOCAL_AXES = 5,
};

enum ResultLocation : int {
  ON_NODES = 0,
  ON_GAUSS_POINTS = 1,
};

// File variant chosen when the output is opened.
enum ResultMode : int {
  MODE_TEXT = 0,
  MODE_COMPRESSED_TEXT = 1,
  MODE_BINARY = 2,
};

// The ElemType word for a geometry code, or null for a code outside 0..6.
const char* ElementGeometryName(int geometry);
// The type word for a result type code, or null for a code outside 0..5.
const char* ResultTypeName(int type);
