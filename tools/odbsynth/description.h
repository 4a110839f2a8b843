// The text description read by `odbsynth build`: one statement per line, turned into an
// OdbBuilder.
#pragma once

#include <istream>
#include <stdexcept>
#include <string>

#include "odb_builder.h"

namespace odbsynth {

// A statement that cannot be read: the message starts with "line N: ".
class DescriptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole description into a builder; throws DescriptionError.
odbapi::OdbBuilder ReadDescription(std::istream& in);

}  // namespace odbsynth
