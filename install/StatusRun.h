#pragma once
// One run of a child program that reports through status lines: starts it
// hidden, reads and parses its output until the output ends, and waits for
// it. Shared by the package runner and the uninstaller runner, which differ
// only in their command lines, their keys and their events.
//
// Thread contract: `Execute` runs on the calling runner's worker and blocks
// until the child has ended; there is no time limit. The parse function and
// the report callback are called on that thread only.
//
// Events that decide the run (and every event the same chunk produced after
// them) are delivered only once the child has ended, so that the owner can
// act on the decision at once, for example delete the package file, which a
// running program would keep locked. After a decision the rest of the output
// is still read, unparsed, so that a child that goes on writing never blocks
// on a full pipe.

#include <windows.h>

#include <functional>
#include <string>

#include "install/PipelineCallback.h"

class CStatusRun {
 public:
  // Interprets one decoded text and appends its events; returns 0 when no
  // line decided the run, 1 for a success and 1000 for a failure.
  using ParseFunction = std::function<int(const std::wstring& text, PipelineEvents* events)>;
  // Tells whether an event is one that decides the run.
  using DecidingFunction = std::function<bool(int code)>;

  struct Outcome {
    bool started = false;
    int decision = 0;
    // The child ended through an unhandled exception (an error status as exit
    // code), not by returning.
    bool crashed = false;
  };

  // `code_page` is read before every line, as the parse function may change
  // it for the lines that follow.
  static Outcome Execute(const std::wstring& command_line, const UINT& code_page,
                         const ParseFunction& parse, const DecidingFunction& deciding,
                         const PipelineCallback& report);

  // The events a runner sends when the output decided nothing: a start that
  // failed, a child that crashed (it did not finish its work, whatever it
  // printed before) and a child that ended normally.
  struct UndecidedEvents {
    int not_started_code;
    int crashed_code;
    const wchar_t* crashed_text;
    int ended_code;
  };
  // Sends the one event that ends an undecided run; nothing when the output
  // decided it.
  static void ReportUndecided(const Outcome& outcome, const UndecidedEvents& events,
                              const PipelineCallback& report);

  // Whether an exit code is the status of an unhandled exception.
  static bool IsCrashExitCode(DWORD exit_code);
};
