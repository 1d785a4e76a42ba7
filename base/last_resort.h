// The last resort of each program's main: an exception that escaped every
// handler ends the program as a run-time error of the story does, with its
// report and exit status 1, never with an abort.
#pragma once

#include <cstdio>
#include <exception>
#include <functional>

#include "base/runtime_error.h"

namespace yomite {

// The run-time error an escaped exception stands for: a RuntimeError is
// itself, running out of memory is error 7, anything else error 51 with
// what it said.
RuntimeError ErrorOf(std::exception_ptr escaped);

// The report's line on standard error: "PROGRAM: Run-time error N: MESSAGE".
void PrintReportLine(const char* program, const RuntimeError& error, std::FILE* out = stderr);

// Runs a program's body and returns its exit status. An exception that
// escapes it is printed as the report's line, shown by show when given (the
// player's error box), and gives 1.
int RunToEnd(const char* program, const std::function<int()>& body,
             const std::function<void(const RuntimeError&)>& show = {});

}  // namespace yomite
