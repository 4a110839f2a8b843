// The binary variant: string records and raw 32-bit numbers, in either byte order.
#pragma once

#include "byte_stream.h"
#include "kelpost_reader.h"

namespace kelpost {

// Reads a record stream that begins with the marker 2333 (in the byte order bigEndian says).
Summary DecodeBinary(Stream& in, Error::Where where, TextSink* out, bool bigEndian);

}  // namespace kelpost
