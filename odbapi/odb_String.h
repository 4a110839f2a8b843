// Texts, exceptions and enumerations of the ODB API, as the vendor declares them.
#pragma once

#include <string>
#include <vector>

class odb_String {
 public:
  odb_String() = default;
  odb_String(const char* text);  // NOLINT: implicit, as the vendor's
  explicit odb_String(std::string text);
  const char* CStr() const { return m_text.c_str(); }
  int Length() const { return static_cast<int>(m_text.size()); }
  bool operator==(const odb_String& other) const { return m_text == other.m_text; }
  bool operator!=(const odb_String& other) const { return m_text != other.m_text; }
  bool operator<(const odb_String& other) const { return m_text < other.m_text; }

 private:
  std::string m_text;
};

// An ordered list of texts (component labels).
class odb_SequenceString {
 public:
  int size() const { return static_cast<int>(m_items.size()); }
  // Throw odb_Exception for an index outside 0..size-1.
  const odb_String& constGet(int i) const;
  const odb_String& operator[](int i) const { return constGet(i); }
  void append(const odb_String& item) { m_items.push_back(item); }

 private:
  std::vector<odb_String> m_items;
};

// The base of every exception the API throws.
class odb_BaseException {
 public:
  odb_BaseException(const char* type, const std::string& message);
  virtual ~odb_BaseException() = default;
  // The report text: names the file and the problem.
  odb_String UserReport() const { return m_message; }
  odb_String ErrMsg() const { return m_message; }
  odb_String ErrType() const { return m_type; }

 private:
  odb_String m_type;
  odb_String m_message;
};

// What the stand-in throws for every failure.
class odb_Exception : public odb_BaseException {
 public:
  using odb_BaseException::odb_BaseException;
};

// The API's enumerations, held by one class. Codes are passed on as the database holds them;
// the enums have a fixed int representation so that any stored value is a valid enum value.
class odb_Enum {
 public:
  enum odb_DimensionEnum : int { THREE_D = 0, TWO_D_PLANAR = 1, AXISYMMETRIC = 2 };
  enum odb_DataTypeEnum : int {
    BOOLEAN = 0,
    INTEGER,
    SCALAR,
    VECTOR,
    MATRIX,
    TENSOR_3D_FULL,
    TENSOR_3D_PLANAR,
    TENSOR_3D_SURFACE,
    TENSOR_2D_PLANAR,
    TENSOR_2D_SURFACE,
    QUATERNION_3D,
    QUATERNION_2D,
    UNDEFINED_DATATYPE
  };
  // The vendor's complete list, in its order.
  enum odb_ResultPositionEnum : int {
    UNDEFINED_POSITION = 0,
    NODAL,
    ELEMENT_NODAL,
    INTEGRATION_POINT,
    CENTROID,
    ELEMENT_FACE,
    ELEMENT_FACE_INTEGRATION_POINT,
    SURFACE_INTEGRATION_POINT,
    WHOLE_ELEMENT,
    WHOLE_REGION,
    WHOLE_PART_INSTANCE,
    WHOLE_MODEL,
    GENERAL_PARTICLE,
    SURFACE_FACET,
    SURFACE_NODAL
  };
  // An element's topology, as the vendor's element gives it (odb_Element::geometry()).
  enum odb_ElementGeometryClass : int {
    UNKNOWN = 0,
    MASS,
    PLOT,
    TWO_NODE_WELD,
    TWO_NODE_RIGID,
    SPRING,
    BAR2,
    BAR3,
    BEAM2,
    BEAM3,
    TRIA3,
    QUAD4,
    TRIA6,
    QUAD8,
    TETRA4,
    PENTA6,
    HEX8,
    TETRA10,
    PENTA15,
    HEX20
  };
  enum odb_PrecisionEnum : int { SINGLE_PRECISION = 0, DOUBLE_PRECISION = 1 };
};
