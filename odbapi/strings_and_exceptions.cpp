// Texts, exceptions and the failures of repository look-ups.
#include <string>
#include <utility>

#include "odb_String.h"
#include "odb_Repository.h"
#include "sqlite_handle.h"

odb_String::odb_String(const char* text) : m_text(text != nullptr ? text : "") {}
odb_String::odb_String(std::string text) : m_text(std::move(text)) {}

const odb_String& odb_SequenceString::constGet(int i) const {
  if (i < 0 || i >= size()) {
    odbapi_detail::Fail("text index " + std::to_string(i) + " is out of range (the sequence has " +
                        std::to_string(size()) + " texts)");
  }
  return m_items[static_cast<std::size_t>(i)];
}

odb_BaseException::odb_BaseException(const char* type, const std::string& message)
    : m_type(type), m_message(message) {}

namespace odbapi_detail {

void ThrowMissingKey(const odb_String& key) {
  Fail(std::string("the repository has no entry '") + key.CStr() + "'");
}
void ThrowRepeatedKey(const odb_String& key) {
  Fail(std::string("the repository already has an entry '") + key.CStr() + "'");
}
void ThrowPastEnd() { Fail("the iterator is past the last entry"); }

}  // namespace odbapi_detail
