// The two text variants of the results writer: plain text through stdio, and the same text
// as one gzip stream.
#pragma once

#include "gzip_stream.h"
#include "post_file.h"

#include <cstdio>
#include <memory>

class CPostAscii final : public CPostFile {
 public:
  CPostAscii() = default;
  ~CPostAscii() override;

  int Open(const char* path) override;
  int Close() override;
  int Flush() override;
  int IsBinary() override { return 0; }
  int WriteString(const char* s) override;
  int WriteValues(int id, int count, const double* values) override;
  int WriteValuesVA(int id, int count, ...) override;
  int WriteElem(int id, int count, const int* nodes) override;

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  template <class NextValue>
  void PutValueLine(int id, int count, NextValue next);

  std::unique_ptr<std::FILE, FileCloser> m_file;
};

class CPostAsciiZ final : public CPostFile {
 public:
  CPostAsciiZ() = default;
  ~CPostAsciiZ() override;

  int Open(const char* path) override;
  int Close() override;
  int Flush() override;
  int IsBinary() override { return 0; }
  int WriteString(const char* s) override;
  int WriteValues(int id, int count, const double* values) override;
  int WriteValuesVA(int id, int count, ...) override;
  int WriteElem(int id, int count, const int* nodes) override;

 private:
  template <class NextValue>
  void PutValueLine(int id, int count, NextValue next);
  // One formatted piece (an id or a value) straight into the stream's buffer.
  template <class Number>
  void PutFormatted(const char* format, Number number);

  // The text is formatted piece by piece into the stream's own buffer, which hands the
  // compressor whole buffers; lines of any length reach the file whole.
  BufferedGzipStream m_gzFile;
};
