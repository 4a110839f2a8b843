// The results file of one conversion, open through the writer interface's process-wide state.
#pragma once

// Closed on every exit; Close() reports whether everything reached the disk.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();

  // Opens path with the ResultMode mode; false when the writer refuses it.
  bool Open(const char* path, int mode);
  // Closes the file: the writer's status, non-zero also when it was not open.
  int Close();

 private:
  bool m_open = false;
};
