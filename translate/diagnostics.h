// Diagnostic lines about skipped blocks, on standard output.
#pragma once

#include "printf_format.h"

// printf to standard output, flushed at once so that the lines keep their place among what
// the host prints.
void PrintDiagnostic(const char* format, ...) PRINTF_FORMAT(1, 2);
