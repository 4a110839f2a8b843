// The reference writer path of the benchmark: compresses a decompressed results stream with
// zlib at level 1 (gzopen mode "wb1", zlib's default buffer), handing it over one 4-byte
// number per gzwrite call, as a writer that stores each number on its own does.
//
//   zlib_per_number RAW [OUTPUT]   (OUTPUT defaults to /dev/null)
//
// Prints "<seconds> <bytes>": the time from gzopen to the end of gzclose, and the input size.
// Reading RAW into memory happens before the clock starts.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: zlib_per_number RAW [OUTPUT]\n");
    return 2;
  }
  const char* output = argc == 3 ? argv[2] : "/dev/null";
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "zlib_per_number: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  const auto start = std::chrono::steady_clock::now();
  gzFile file = gzopen(output, "wb1");
  if (file == nullptr) {
    std::fprintf(stderr, "zlib_per_number: cannot open %s\n", output);
    return 1;
  }
  bool ok = true;
  std::size_t at = 0;
  for (; at + 4 <= raw.size(); at += 4) {
    if (gzwrite(file, raw.data() + at, 4) != 4) {
      ok = false;
      break;
    }
  }
  if (ok && at < raw.size()) {
    const unsigned rest = static_cast<unsigned>(raw.size() - at);
    ok = gzwrite(file, raw.data() + at, rest) == static_cast<int>(rest);
  }
  if (gzclose(file) != Z_OK) ok = false;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (!ok) {
    std::fprintf(stderr, "zlib_per_number: writing %s failed\n", output);
    return 1;
  }
  std::printf("%.6f %zu\n", elapsed.count(), raw.size());
  return 0;
}
