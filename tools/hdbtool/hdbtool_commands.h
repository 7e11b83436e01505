// The subcommands of hdbtool as functions, so tests can run them in-process.
// Each returns the program's exit code: 0 done/clean, 1 problems found or the
// output could not be written, 2 usage error or unreadable input.
#pragma once
#include <ostream>

const int ExitClean = 0;
const int ExitProblems = 1;
const int ExitUsage = 2;

// Prints the tree below the root in the description format.
int RunDump(const char* databasePath, std::ostream& out, std::ostream& err);
// One line per problem on out.
int RunCheck(const char* databasePath, std::ostream& out, std::ostream& err);
// Creates (or replaces) outputPath from the description in descriptionPath;
// "-" reads the description from standard input.
int RunBuild(const char* descriptionPath, const char* outputPath, std::ostream& err);
