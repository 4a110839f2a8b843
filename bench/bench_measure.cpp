// Runs one command and reports its wall-clock time and the peak resident set size of the
// process it started (the child's own maximum, from wait4's resource usage).
//
//   bench_measure REPORT COMMAND [ARG...]
//
// The command inherits standard input, output and error. REPORT receives one line,
// "<seconds> <peak RSS in KiB>". The exit status is the command's (126/127 when it cannot be
// started, 128+N when signal N ended it).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_measure REPORT COMMAND [ARG...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("bench_measure: fork");
    return 126;
  }
  if (child == 0) {
    execvp(argv[2], argv + 2);
    std::fprintf(stderr, "bench_measure: cannot run %s: %s\n", argv[2], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::perror("bench_measure: wait4");
      return 126;
    }
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  std::FILE* report = std::fopen(argv[1], "w");
  if (report == nullptr) {
    std::fprintf(stderr, "bench_measure: cannot write %s\n", argv[1]);
    return 126;
  }
  std::fprintf(report, "%.6f %ld\n", elapsed.count(), usage.ru_maxrss);
  if (std::fclose(report) != 0) return 126;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}
