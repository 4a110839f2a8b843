// What the tests need from the system, on POSIX systems and on Windows (also under Wine):
// scratch folders, running a program and reading its exit status and output.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace testplatform {

// A new, empty folder inside the system's temporary folder; the name starts with prefix.
inline std::string MakeScratchDir(const std::string& prefix) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / (prefix + std::to_string(random() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) return candidate.generic_string();
  }
  throw std::runtime_error("cannot make a scratch folder in " + base.string());
}

// Removes a folder with everything in it; errors are ignored (cleanup only).
inline void RemoveTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

// A scratch folder for one test's files, removed with everything in it when the object goes.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix = "odbpost-test-") : m_path(MakeScratchDir(prefix)) {}
  ~ScratchDir() { RemoveTree(m_path); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return m_path; }
  std::string file(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// The file that swallows a program's output, for the shell's redirections.
#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

// A program path as the system's shell takes it (cmd.exe wants backslashes).
inline std::string ShellPath(std::string path) {
#ifdef _WIN32
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

// The start of a shell command that runs the rest in the folder (cmd.exe changes drives only
// when told).
inline std::string InFolder(const std::string& folder) {
#ifdef _WIN32
  return "cd /d \"" + ShellPath(folder) + "\" && ";
#else
  return "cd '" + folder + "' && ";
#endif
}

// The exit code of a program from what std::system or pclose returned; -1 when it did not
// exit normally.
inline int ExitCode(int raw) {
#ifdef _WIN32
  return raw;
#else
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
}

// Runs a shell command and returns its standard output; status gets its exit code.
inline std::string RunCapturingOutput(const std::string& command, int& status) {
#ifdef _WIN32
  FILE* pipe = _popen(command.c_str(), "rb");
  auto closePipe = _pclose;
#else
  FILE* pipe = popen(command.c_str(), "r");
  auto closePipe = pclose;
#endif
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  status = ExitCode(closePipe(pipe));
  return out;
}

}  // namespace testplatform
