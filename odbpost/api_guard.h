// The one permission per process to use the ODB API and the writer.
#pragma once

// Taken by every command that uses the API (odbpost, odbpost::convert, odbpost::contents)
// before its first API call and given back after odb_finalizeAPI, by whichever interpreter
// or thread calls. The API and the writer keep process-wide state: a second user while one
// runs (a progress script, a child interpreter, another thread) would finalise the API or
// close the output under the first.
//
// The flag lives in the odbpost library, which exports these two functions; the odbpost::tools
// library is linked against it, so both packages share the one flag. (Tcl loads one file
// under one prefix per process, so the two entries cannot share one file.)
extern "C" {
// 1 when the caller now holds the permission, 0 when another command holds it.
int Odbpost_TakeApi(void);
void Odbpost_GiveApiBack(void);
}

// Holds the permission for its lifetime when Taken().
class ApiGuard {
 public:
  ApiGuard() : m_taken(Odbpost_TakeApi() != 0) {}
  ~ApiGuard() {
    if (m_taken) Odbpost_GiveApiBack();
  }
  ApiGuard(const ApiGuard&) = delete;
  ApiGuard& operator=(const ApiGuard&) = delete;

  // False when another command holds the API: the caller must refuse before it writes.
  bool Taken() const { return m_taken; }

 private:
  bool m_taken;
};

// The refusals when the guard is taken. They begin with the words each command already uses
// for a file it cannot use, so that a host matching "Could not open outputfile*" still sees
// a conversion that did not start, and then say why.
constexpr const char* kConversionRefused =
    "Could not open outputfile: another conversion or listing is running in this process";
constexpr const char* kListingRefused =
    "Could not open inputfile: another conversion or listing is running in this process";
