// The small string tables of an instance's elements: one entry per distinct type name and
// section category. Not part of the public API.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "odb_API.h"

namespace odbapi_detail {

// The index of each distinct text in a table of texts, adding new ones at its end. Consecutive
// elements nearly always share their type and section, so the text last asked for is
// compared first, without a copy or a hash.
class TextTable {
 public:
  explicit TextTable(std::vector<odb_String>& table) : m_table(table) {}

  std::uint32_t Intern(std::string_view text) {
    if (m_hasLast && text == m_last) return m_lastPosition;
    m_last.assign(text.data(), text.size());
    auto found = m_index.find(m_last);
    if (found != m_index.end()) {
      m_lastPosition = found->second;
    } else {
      m_lastPosition = static_cast<std::uint32_t>(m_table.size());
      m_table.emplace_back(m_last);
      m_index.emplace(m_last, m_lastPosition);
    }
    m_hasLast = true;
    return m_lastPosition;
  }

 private:
  std::vector<odb_String>& m_table;
  std::unordered_map<std::string, std::uint32_t> m_index;
  std::string m_last;
  std::uint32_t m_lastPosition = 0;
  bool m_hasLast = false;
};

}  // namespace odbapi_detail
