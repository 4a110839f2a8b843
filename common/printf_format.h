// Lets GCC and clang check a printf-style function's arguments against its format; other
// compilers (Visual Studio) have no such attribute and get nothing.
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define PRINTF_FORMAT(formatIndex, firstArgument)
#endif
