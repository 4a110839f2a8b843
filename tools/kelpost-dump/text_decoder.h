// The text variant: lines, each ended by a line feed (a carriage return before it is allowed).
#pragma once

#include "byte_stream.h"
#include "kelpost_reader.h"

namespace kelpost {

// Reads a stream that begins with the line "Kel Post Results File 1.0".
Summary DecodeText(Stream& in, Error::Where where, TextSink* out);

}  // namespace kelpost
