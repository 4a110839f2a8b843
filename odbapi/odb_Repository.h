// Keyed repositories and their iterators. Every repository of the API is one of these,
// keyed by name; entries keep the database's order (ascending id).
#pragma once

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

#include "odb_String.h"

namespace odbapi_detail {

[[noreturn]] void ThrowMissingKey(const odb_String& key);
[[noreturn]] void ThrowRepeatedKey(const odb_String& key);
[[noreturn]] void ThrowPastEnd();

template <class V>
class RepositoryIterator;

template <class V>
class Repository {
 public:
  int size() const { return static_cast<int>(m_entries.size()); }
  bool isMember(const odb_String& key) const { return m_index.count(key) != 0; }
  // Look-ups by key; each throws odb_Exception naming the key when it is absent.
  V& operator[](const odb_String& key) { return m_entries[position(key)].second; }
  V get(const odb_String& key) { return (*this)[key]; }
  const V& constGet(const odb_String& key) const { return m_entries[position(key)].second; }

  // Filling, for the stand-in's reader: refuses a repeated key.
  void add(const odb_String& key, V value) {
    if (isMember(key)) ThrowRepeatedKey(key);
    m_index.emplace(key, m_entries.size());
    m_entries.emplace_back(key, std::move(value));
  }

 private:
  friend class RepositoryIterator<V>;
  std::size_t position(const odb_String& key) const {
    auto found = m_index.find(key);
    if (found == m_index.end()) ThrowMissingKey(key);
    return found->second;
  }
  std::vector<std::pair<odb_String, V>> m_entries;
  std::map<odb_String, std::size_t> m_index;
};

// Walks a repository in its order: first(); !isDone(); next().
template <class V>
class RepositoryIterator {
 public:
  explicit RepositoryIterator(const Repository<V>& repository) : m_repository(&repository) {}
  void first() { m_position = 0; }
  void next() {
    if (!isDone()) ++m_position;
  }
  bool isDone() { return m_position >= m_repository->m_entries.size(); }
  // The current entry's key and value; throw odb_Exception once isDone().
  const odb_String& currentKey() { return current().first; }
  const V& currentValue() { return current().second; }

 private:
  const std::pair<odb_String, V>& current() {
    if (isDone()) ThrowPastEnd();
    return m_repository->m_entries[m_position];
  }
  const Repository<V>* m_repository;
  std::size_t m_position = 0;
};

}  // namespace odbapi_detail
