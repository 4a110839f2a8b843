#include "post_ascii.h"

#include "file_system.h"
#include "post_interface.h"

#include <cstdarg>
#include <cstring>

namespace {

// The characters that would end a text line inside a name.
constexpr char kLineBreaks[] = "\n\r";

}  // namespace

// ---- Sinks ----

bool StdioTextSink::Open(const char* path) {
  Close();
  if (path == nullptr) return false;
  m_file.reset(platform::OpenFile(path, "wb"));
  return IsOpen();
}

void StdioTextSink::Write(const char* data, std::size_t n) {
  if (std::fwrite(data, 1, n, m_file.get()) != n) m_failed = true;
}

int StdioTextSink::Flush() {
  const int status = std::fflush(m_file.get());
  if (status != 0) m_failed = true;
  return status;
}

int StdioTextSink::Close() {
  if (!m_file) return 0;
  int status = std::fclose(m_file.release());
  if (m_failed && status == 0) status = EOF;
  m_failed = false;
  return status;
}

// ---- The text writer ----

template <class Sink>
CPostText<Sink>::~CPostText() {
  Close();
}

template <class Sink>
int CPostText<Sink>::Open(const char* path) {
  if (m_sink.IsOpen()) Close();
  return m_sink.Open(path) ? 0 : 1;
}

template <class Sink>
int CPostText<Sink>::Close() {
  g_closeStatus = m_sink.IsOpen() ? m_sink.Close() : 1;
  return g_closeStatus;
}

template <class Sink>
int CPostText<Sink>::Flush() {
  return m_sink.IsOpen() ? m_sink.Flush() : 1;
}

// s as one line: a line feed or carriage return inside it would end the line early and
// leave the file unreadable, so each is written as a blank.
template <class Sink>
int CPostText<Sink>::WriteString(const char* s) {
  if (!m_sink.IsOpen()) return 1;
  if (s == nullptr) s = "";
  for (;;) {
    const std::size_t run = std::strcspn(s, kLineBreaks);
    m_sink.Write(s, run);
    if (s[run] == '\0') break;
    m_sink.Write(" ", 1);
    s += run + 1;
  }
  m_sink.Write("\n", 1);
  return Status();
}

template <class Sink>
template <class Number>
void CPostText<Sink>::PutNumber(const char* format, Number number) {
  char* piece = m_sink.PieceRoom();
  const int length = std::snprintf(piece, kPieceRoom, format, number);
  if (length > 0) m_sink.CommitPiece(static_cast<std::size_t>(length));
}

template <class Sink>
template <class NextValue>
void CPostText<Sink>::PutValueLine(int id, int count, NextValue next) {
  if (id != m_lastId) PutNumber("%d", id);
  for (int i = 0; i < count; ++i) PutNumber(" %g", next());
  m_sink.Write("\n", 1);
  m_lastId = id;
}

template <class Sink>
int CPostText<Sink>::WriteValues(int id, int count, const double* values) {
  if (!m_sink.IsOpen()) return 1;
  if (values == nullptr) count = 0;
  PutValueLine(id, count, [&values] { return *values++; });
  return Status();
}

template <class Sink>
int CPostText<Sink>::WriteValuesVA(int id, int count, ...) {
  if (!m_sink.IsOpen()) return 1;
  va_list args;
  va_start(args, count);
  PutValueLine(id, count, [&args] { return va_arg(args, double); });
  va_end(args);
  return Status();
}

template <class Sink>
int CPostText<Sink>::WriteElem(int id, int count, const int* nodes) {
  if (!m_sink.IsOpen()) return 1;
  if (nodes == nullptr) count = 0;
  PutNumber("%d", id);
  for (int i = 0; i < count; ++i) PutNumber(" %d", nodes[i]);
  m_sink.Write("\n", 1);
  return Status();
}

template class CPostText<StdioTextSink>;
template class CPostText<GzipTextSink>;
