#include "element_shape_code.h"

#include "odb_API.h"

// The ODB API gives an element's topology as a geometry class whose values are the shape
// codes; any value, also one outside the class's list, is passed on as that integer.
int ShapeCodeOf(const odb_Element& element) { return static_cast<int>(element.geometry()); }
