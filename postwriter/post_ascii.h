// The text variants of the results writer: one text writer over a byte sink, plain text
// through stdio (CPostAscii) or the same text as one gzip stream (CPostAsciiZ).
#pragma once

#include "gzip_stream.h"
#include "post_file.h"

#include <cstddef>
#include <cstdio>
#include <memory>

// The sinks take the text in pieces and remember whether any piece failed to reach the
// stream. Close reports a failure of any earlier write as well as its own. A number is
// formatted into PieceRoom (kPieceRoom bytes) and kept with CommitPiece.

// Longest piece a value or element line formats: a blank and "%g" of any double
// ("-1.79769e+308") or "%d" of any int, with room to spare.
constexpr std::size_t kPieceRoom = 32;

// A stdio stream, opened untranslated.
class StdioTextSink {
 public:
  bool Open(const char* path);
  bool IsOpen() const { return m_file != nullptr; }
  bool Failed() const { return m_failed; }
  void Write(const char* data, std::size_t n);
  char* PieceRoom() { return m_piece; }
  void CommitPiece(std::size_t n) { Write(m_piece, n); }
  // fflush's result.
  int Flush();
  // fclose's result, or EOF when an earlier write failed.
  int Close();

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, FileCloser> m_file;
  bool m_failed = false;
  char m_piece[kPieceRoom] = {};
};

// A gzip stream at level 1. Lines of any length reach the file whole: the pieces are
// collected, numbers formatted straight into, the stream's own buffer, which hands the
// compressor whole buffers.
class GzipTextSink {
 public:
  bool Open(const char* path) { return m_stream.Open(path); }
  bool IsOpen() const { return m_stream.IsOpen(); }
  bool Failed() const { return m_stream.Failed(); }
  void Write(const char* data, std::size_t n) { m_stream.Append(data, n); }
  char* PieceRoom() { return m_stream.Reserve(kPieceRoom); }
  void CommitPiece(std::size_t n) { m_stream.Commit(n); }
  // Completes the gzip member written so far: 0 or a negative zlib status.
  int Flush() { return m_stream.Flush(GzipFile::FlushMode::kFinish); }
  // 0, or a negative zlib status (also when an earlier write failed).
  int Close() { return m_stream.Close(); }

 private:
  BufferedGzipStream m_stream;
};

// The text writer. Every write is checked: once a piece has not reached the stream, lines
// and value lines return 1, and the close status is a failure.
template <class Sink>
class CPostText : public CPostFile {
 public:
  ~CPostText() override;

  int Open(const char* path) override;
  int Close() override;
  int Flush() override;
  int IsBinary() override { return 0; }
  int WriteString(const char* s) override;
  int WriteValues(int id, int count, const double* values) override;
  int WriteValuesVA(int id, int count, ...) override;
  int WriteElem(int id, int count, const int* nodes) override;

 protected:
  CPostText() = default;

 private:
  template <class NextValue>
  void PutValueLine(int id, int count, NextValue next);
  // One number formatted with format, written as one piece.
  template <class Number>
  void PutNumber(const char* format, Number number);
  int Status() const { return m_sink.Failed() ? 1 : 0; }

  Sink m_sink;
};

extern template class CPostText<StdioTextSink>;
extern template class CPostText<GzipTextSink>;

class CPostAscii final : public CPostText<StdioTextSink> {};
class CPostAsciiZ final : public CPostText<GzipTextSink> {};
