#include "install/StatusRun.h"

#include "app/utils/ChildProcess.h"
#include "app/utils/Exception.h"
#include "app/utils/Text.h"
#include "install/ChildOutputReader.h"
#include "install/StatusLineBuffer.h"

namespace {

void Deliver(const PipelineEvents& events, const PipelineCallback& report) {
  for (const PipelineEvent& event : events) report(event.code, event.value, event.text.c_str());
}

}  // namespace

bool CStatusRun::IsCrashExitCode(DWORD exit_code) {
  // Exception statuses carry the error severity in their two top bits;
  // ordinary exit codes of a program never reach that range.
  return exit_code >= 0xC0000000u && exit_code != STILL_ACTIVE;
}

CStatusRun::Outcome CStatusRun::Execute(const std::wstring& command_line, const UINT& code_page,
                                        const ParseFunction& parse,
                                        const DecidingFunction& deciding,
                                        const PipelineCallback& report) {
  Outcome outcome;
  Utils::ChildProcess child;
  try {
    child.Start(command_line);
  } catch (const Utils::Exception&) {
    return outcome;
  }
  outcome.started = true;

  CStatusLineBuffer lines;
  CChildOutputReader reader(child.OutputRead(), child.Process());
  PipelineEvents held;
  // Lines after a deciding line that came with the same read are still
  // handled; later reads are not.
  auto handle = [&](const std::vector<std::string>& raw_lines) {
    PipelineEvents events;
    int decision = 0;
    for (const std::string& raw : raw_lines) {
      if (raw.empty()) continue;
      const int result = parse(Utils::FromMultiByte(raw, code_page), &events);
      if (result != 0) decision = result;
    }
    size_t now = events.size();
    if (decision != 0) {
      outcome.decision = decision;
      for (size_t i = 0; i < events.size(); ++i) {
        if (deciding(events[i].code)) {
          now = i;
          break;
        }
      }
    }
    Deliver(PipelineEvents(events.begin(), events.begin() + now), report);
    held.insert(held.end(), events.begin() + now, events.end());
  };

  std::string chunk;
  while (reader.Read(&chunk)) {
    if (outcome.decision == 0) handle(lines.Take(chunk.data(), chunk.size()));
  }
  if (outcome.decision == 0) handle({lines.Rest()});

  WaitForSingleObject(child.Process(), INFINITE);
  DWORD exit_code = 0;
  if (GetExitCodeProcess(child.Process(), &exit_code)) outcome.crashed = IsCrashExitCode(exit_code);
  child.Close();
  Deliver(held, report);
  return outcome;
}

void CStatusRun::ReportUndecided(const Outcome& outcome, const UndecidedEvents& events,
                                 const PipelineCallback& report) {
  if (!outcome.started) {
    report(events.not_started_code, 2.0, L"");
  } else if (outcome.decision == 0) {
    if (outcome.crashed) {
      report(events.crashed_code, 0.0, events.crashed_text);
    } else {
      report(events.ended_code, 1.0, L"");
    }
  }
}
