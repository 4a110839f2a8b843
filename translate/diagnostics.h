// Diagnostic lines about skipped blocks, on standard output.
#pragma once

// printf to standard output, flushed at once so that the lines keep their place among what
// the host prints.
void PrintDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));
