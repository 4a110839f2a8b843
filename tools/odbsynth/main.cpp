// odbsynth: writes stand-in ODB databases.
//   odbsynth example PATH [--format 1]
//   odbsynth plane PATH [--format 1]
//   odbsynth grid PATH [--n N] [--steps S] [--frames F] [--format 1]
//   odbsynth instances PATH [--count N] [--steps S] [--frames F] [--format 1]
//   odbsynth build DESCRIPTION PATH
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

#include "description.h"
#include "models.h"
#include "odb_API.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: odbsynth example PATH [--format 1]\n"
               "       odbsynth plane PATH [--format 1]\n"
               "       odbsynth grid PATH [--n N] [--steps S] [--frames F] [--format 1]\n"
               "       odbsynth instances PATH [--count N] [--steps S] [--frames F] [--format 1]\n"
               "       odbsynth build DESCRIPTION PATH\n");
  return 2;
}

bool ParseCount(const char* text, int* value) {
  errno = 0;
  char* end = nullptr;
  long parsed = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || errno != 0 || parsed < 0 || parsed > INT_MAX) return false;
  *value = static_cast<int>(parsed);
  return true;
}

int Run(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "build") {
    if (argc != 4) return Usage();
    std::ifstream in(argv[2]);
    if (!in) {
      std::fprintf(stderr, "odbsynth: %s: cannot read the description\n", argv[2]);
      return 1;
    }
    try {
      odbsynth::ReadDescription(in).write(argv[3]);
    } catch (const odbsynth::DescriptionError& error) {
      std::fprintf(stderr, "odbsynth: %s: %s\n", argv[2], error.what());
      return 1;
    }
    return 0;
  }
  if (command != "example" && command != "plane" && command != "grid" && command != "instances") {
    return Usage();
  }
  odbsynth::GridOptions grid;
  odbsynth::InstancesOptions instances;
  int format = 2;
  for (int i = 3; i < argc; ++i) {
    const std::string option = argv[i];
    int* target = nullptr;
    if (option == "--format") {
      target = &format;
    } else if (command == "grid" && option == "--n") {
      target = &grid.n;
    } else if (command == "grid" && option == "--steps") {
      target = &grid.steps;
    } else if (command == "grid" && option == "--frames") {
      target = &grid.frames;
    } else if (command == "instances" && option == "--count") {
      target = &instances.count;
    } else if (command == "instances" && option == "--steps") {
      target = &instances.steps;
    } else if (command == "instances" && option == "--frames") {
      target = &instances.frames;
    } else {
      std::fprintf(stderr, "odbsynth: unknown option %s\n", argv[i]);
      return Usage();
    }
    if (i + 1 == argc || !ParseCount(argv[i + 1], target)) {
      std::fprintf(stderr, "odbsynth: %s needs a number\n", argv[i]);
      return 2;
    }
    ++i;
  }
  if (format != 1 && format != 2) {
    std::fprintf(stderr, "odbsynth: --format must be 1 or 2\n");
    return 2;
  }
  if (command == "example") {
    odbsynth::WriteExample(argv[2], format);
  } else if (command == "plane") {
    odbsynth::WritePlane(argv[2], format);
  } else if (command == "grid") {
    grid.format = format;
    odbsynth::WriteGrid(argv[2], grid);
  } else {
    instances.format = format;
    odbsynth::WriteInstances(argv[2], instances);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const odb_Exception& error) {
    std::fprintf(stderr, "odbsynth: %s\n", error.UserReport().CStr());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "odbsynth: %s\n", error.what());
  }
  return 1;
}
