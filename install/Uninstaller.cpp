#include "install/Uninstaller.h"

#include <shlwapi.h>

#include <sstream>

#include "app/utils/SystemInfo.h"
#include "app/utils/Text.h"
#include "install/StatusKeys.h"
#include "install/StatusRun.h"

namespace {

bool IsDeciding(int code) { return code == UNIST_CODE_SUCCESS || code == UNIST_CODE_ERROR; }

}  // namespace

CUninstaller::CUninstaller(PipelineCallback callback, const std::wstring& uninstaller_path,
                           const std::wstring& installation_folder)
    : callback_(std::move(callback)),
      uninstaller_path_(uninstaller_path),
      installation_folder_(installation_folder) {}

CUninstaller::~CUninstaller() {
  if (worker_) worker_->Join();
}

std::wstring CUninstaller::BuildCommandLine() const {
  std::wstring user;
  const bool admin_account = Utils::GetConsoleUserName(&user) && Utils::IsAdminAccount(user);
  // Quoted, so that a temporary folder under a user name with spaces cannot
  // make the system guess at the program and start another one.
  std::wstring line = L"\"" + uninstaller_path_ + L"\"";
  line += L" /S -adminact=";
  line += admin_account ? L"true" : L"false";
  line += L" -authorizationact=";
  line += Utils::IsProcessAdmin() ? L"true" : L"false";
  // The folder goes last so that the uninstaller may take the rest of the
  // line, spaces included.
  line += L" -console=show _?=" + installation_folder_;
  return line;
}

void CUninstaller::Start() {
  command_line_ = BuildCommandLine();
  if (worker_) {
    worker_->Join();
    worker_.reset();
  }
  worker_.reset(new Utils::Thread());
  if (!worker_->Start(
          L"UnInstaller", [this](void*) { Run(); }, nullptr)) {
    worker_.reset();
    Report(UNIST_CODE_FAIL, 2.0, L"");
    return;
  }
  worker_->Resume();
}

void CUninstaller::Run() {
  if (uninstaller_path_.empty() || !PathFileExistsW(uninstaller_path_.c_str())) {
    Report(UNIST_CODE_FAIL, 1.0, kUninstallerMissingText);
    return;
  }
  Report(UNIST_CODE_PROGRESS, 0.0, L"");
  code_page_ = CP_ACP;
  const CStatusRun::Outcome outcome = CStatusRun::Execute(
      command_line_, code_page_,
      [this](const std::wstring& text, PipelineEvents* events) { return Parse(text, events); },
      &IsDeciding, callback_);
  // An uninstaller that crashed may have left the old installation half
  // removed; installing the new version over it is not safe.
  CStatusRun::ReportUndecided(
      outcome, {UNIST_CODE_FAIL, UNIST_CODE_ERROR, kUninstallFailedText, UNIST_CODE_SUCCESS},
      callback_);
}

int CUninstaller::Parse(const std::wstring& text, PipelineEvents* events) {
  using namespace StatusKeys;
  int decision = 0;
  std::wistringstream stream(text);
  std::wstring line;
  while (std::getline(stream, line, L'\n')) {
    std::wstring value;
    if (Match(line, L"Progress=", &value)) {
      events->push_back({UNIST_CODE_PROGRESS, ReadDouble(value), L""});
    } else if (Match(line, L"Error=", &value)) {
      events->push_back({UNIST_CODE_ERROR, 0.0, value});
      decision = 1000;
    } else if (Match(line, L"State=", &value)) {
      const std::wstring state = Utils::Trim(value);
      if (state == L"Success") {
        events->push_back({UNIST_CODE_SUCCESS, 0.0, L""});
        decision = 1;
      } else if (state == L"Fail") {
        events->push_back({UNIST_CODE_ERROR, 0.0, kUninstallFailedText});
        decision = 1000;
      }
    } else if (Match(line, L"Encode=", &value)) {
      code_page_ = UninstallerCodePage(value);
    }
  }
  return decision;
}
