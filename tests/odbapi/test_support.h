// Shared helpers of the odbapi tests: an API session, file bytes, the API's error text.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "odb_API.h"
#include "test_platform.h"

namespace odbtest {

// odb_initializeAPI for the lifetime of the object, odb_finalizeAPI after.
struct ApiSession {
  ApiSession() { odb_initializeAPI(); }
  ~ApiSession() { odb_finalizeAPI(); }
};

inline std::vector<char> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

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
