// hdbtool: looks into, checks and builds hierarchical database (.hdb) files.
// Whatever a file holds, every command ends with its exit status and, for
// what it cannot do, a message: memory that runs out mid-way included.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <exception>
#include <iostream>
#include <new>

#include "hdbtool_commands.h"
#include "platform/error_mode.h"
#if HDBTOOL_HAS_SCHEDULE
#include "schedule_command.h"
#endif

namespace {

const char Usage[] =
    "usage: hdbtool dump FILE                 print the object tree\n"
    "       hdbtool check FILE                report damage, one line per problem\n"
    "       hdbtool build DESCRIPTION OUT     create OUT from a description (\"-\" reads stdin)\n"
#if HDBTOOL_HAS_SCHEDULE
    "       hdbtool schedule ...              see hdbtool schedule --help\n"
#endif
    "exit status: 0 done, 1 problems found, 2 usage error or unreadable input\n";

int UsageError(const char* reason) {
  if (reason) std::cerr << "hdbtool: " << reason << "\n";
  std::cerr << Usage;
  return ExitUsage;
}

// The commands bound what they hold by what they read; this is the floor
// beneath that. What was printed so far stays printed.
[[noreturn]] void OutOfMemory() {
  fflush(stdout);
  fputs("hdbtool: not enough memory for this file\n", stderr);
  _Exit(ExitUsage);
}

int RunCommand(int argc, char** argv) {
  if (argc < 2) return UsageError(nullptr);
  const char* command = argv[1];
  if (strcmp(command, "dump") == 0) {
    if (argc != 3) return UsageError("dump takes one FILE");
    return RunDump(argv[2], std::cout, std::cerr);
  }
  if (strcmp(command, "check") == 0) {
    if (argc != 3) return UsageError("check takes one FILE");
    return RunCheck(argv[2], std::cout, std::cerr);
  }
  if (strcmp(command, "build") == 0) {
    if (argc != 4) return UsageError("build takes DESCRIPTION and OUT");
    return RunBuild(argv[2], argv[3], std::cerr);
  }
  if (strcmp(command, "schedule") == 0) {
#if HDBTOOL_HAS_SCHEDULE
    return RunScheduleCommand(argc - 1, argv + 1);
#else
    return UsageError("schedule is not part of this build");
#endif
  }
  if (strcmp(command, "--help") == 0 || strcmp(command, "-h") == 0) {
    std::cout << Usage;
    return ExitClean;
  }
  return UsageError((std::string("unknown command ") + command).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  // A file named on an empty card or Zip drive is an error of its own, not a
  // box asking for a disk that a script cannot answer.
  TurnOffCriticalErrorBoxes();
  std::set_new_handler(OutOfMemory);
#if defined(__cpp_exceptions)
  // The native build has exceptions; none may leave without a word.
  try {
    return RunCommand(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "hdbtool: " << e.what() << "\n";
    return ExitUsage;
  }
#else
  return RunCommand(argc, argv);
#endif
}
