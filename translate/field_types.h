// What a field output's data type is announced as.
#pragma once

// The ResultType announced for a field output's data-type code, or -1 for a code the
// format has no type for (quaternions, undefined and unknown codes).
int ResultTypeOfDataType(int dataType);
