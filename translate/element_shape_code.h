// The one place that knows how the ODB API gives an element's shape.
#pragma once

class odb_Element;

// The topology code of the element's shape (see element_shape.h for the codes).
int ShapeCodeOf(const odb_Element& element);
