// Shared helpers of the odbapi tests: a scratch folder, an API session, file bytes.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "odb_API.h"

namespace odbtest {

// A fresh folder under /tmp, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    char pattern[] = "/tmp/odbapi-test-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = made;
  }
  ~ScratchDir() { std::system(("rm -rf '" + m_path + "'").c_str()); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string file(const std::string& name) const { return m_path + "/" + name; }
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

// odb_initializeAPI for the lifetime of the object, odb_finalizeAPI after.
struct ApiSession {
  ApiSession() { odb_initializeAPI(); }
  ~ApiSession() { odb_finalizeAPI(); }
};

inline std::vector<char> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// The report text of the odb_Exception that f throws; fails the test when none is thrown.
template <class F>
std::string OdbErrorOf(F&& f) {
  try {
    f();
  } catch (const odb_Exception& error) {
    return error.UserReport().CStr();
  }
  ADD_FAILURE() << "no odb_Exception was thrown";
  return std::string();
}

}  // namespace odbtest
