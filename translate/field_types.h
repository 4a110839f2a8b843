// What a field output's data type is announced as.
#pragma once

// The ResultType announced for a field output's data-type code, or -1 for a code the
// format has no type for (quaternions, undefined and unknown codes).
int ResultTypeOfDataType(int dataType);

// The vendor's enumerator name of a data-type code (QUATERNION_3D, ...) or of a position code
// (WHOLE_ELEMENT, ...), or null for a code without one.
const char* DataTypeName(int dataType);
const char* PositionName(int position);
