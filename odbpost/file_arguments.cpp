#include "file_arguments.h"

#include <cstddef>

namespace {

#ifdef _WIN32

#if TCL_MAJOR_VERSION >= 9

// Tcl 9 hands its own string to the UTF-8 to UTF-16 conversion of the wide API. That string is
// UTF-8 but for NUL, which it stores as the pair C0 80.
std::string WindowsPathOf(Tcl_Obj* argument) {
  const char* text = Tcl_GetString(argument);
  std::string path;
  for (const char* p = text; *p != '\0'; ++p) {
    if (static_cast<unsigned char>(p[0]) == 0xC0 && static_cast<unsigned char>(p[1]) == 0x80) {
      path += '\0';
      ++p;
    } else {
      path += *p;
    }
  }
  return path;
}

#else

// Appends one code point as UTF-8. A lone surrogate keeps its three-byte form, which is no
// valid UTF-8 and so names no file in the platform layer.
void AppendUtf8(std::string& out, unsigned long c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Tcl 8 hands the wide API the name's UTF-16 units, surrogate pairs for characters outside the
// Basic Multilingual Plane (its own string stores them as two three-byte halves, and NUL as
// C0 80). The same characters in UTF-8.
std::string WindowsPathOf(Tcl_Obj* argument) {
  int length = 0;
  const Tcl_UniChar* units = Tcl_GetUnicodeFromObj(argument, &length);
  std::string path;
  for (int i = 0; i < length; ++i) {
    unsigned long c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    AppendUtf8(path, c);
  }
  return path;
}

#endif

#else

// Frees a Tcl dynamic string on every exit.
class DynamicString {
 public:
  DynamicString() { Tcl_DStringInit(&m_string); }
  DynamicString(const DynamicString&) = delete;
  DynamicString& operator=(const DynamicString&) = delete;
  ~DynamicString() { Tcl_DStringFree(&m_string); }
  Tcl_DString* get() { return &m_string; }

 private:
  Tcl_DString m_string;
};

#endif

}  // namespace

std::string FileSystemPathOf(Tcl_Obj* argument) {
#ifdef _WIN32
  return WindowsPathOf(argument);
#else
  // Tcl's native file system converts a name with the system encoding, NULL here, and then
  // refuses it when it holds a zero byte.
  DynamicString native;
  Tcl_UtfToExternalDString(nullptr, Tcl_GetString(argument), -1, native.get());
  return std::string(Tcl_DStringValue(native.get()),
                     static_cast<std::size_t>(Tcl_DStringLength(native.get())));
#endif
}
