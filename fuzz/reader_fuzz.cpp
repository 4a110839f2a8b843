// Feeds arbitrary bytes to kelpost-dump's reader: every input must either decode or be
// refused with kelpost::Error, never read out of bounds, loop forever or grow without bound.
#include <cstddef>
#include <cstdint>

#include "kelpost_reader.h"

namespace {

// Discards the text but touches every byte, so a sink handed bad memory is noticed.
class CountingSink : public kelpost::TextSink {
 public:
  void write(const char* data, std::size_t size) override {
    for (std::size_t i = 0; i < size; ++i) sum_ += static_cast<unsigned char>(data[i]);
  }
  unsigned sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kelpost::MemorySource source(data, size);
  CountingSink sink;
  try {
    kelpost::Summary summary = kelpost::Decode(source, &sink);
    kelpost::FormatSummary(summary);
  } catch (const kelpost::Error&) {
    // A refused input is the expected outcome for most bytes.
  }
  return 0;
}
