#include "output_file.h"

#include "post_interface.h"

OutputFile::~OutputFile() {
  if (m_open) PostCloseResultFile();
}

bool OutputFile::Open(const char* path, int mode) {
  m_open = PostOpenResultFile(path, mode) == 0;
  return m_open;
}

int OutputFile::Close() {
  if (!m_open) return 1;
  m_open = false;
  return PostCloseResultFile();
}
