#include "install/Installer.h"

#include <cwchar>
#include <sstream>

#include "app/log/DebugLog.h"
#include "app/settings/InstallerSettings.h"
#include "app/utils/Text.h"
#include "install/StatusKeys.h"
#include "install/StatusRun.h"

namespace {

const wchar_t* Bool(bool value) { return value ? L"true" : L"false"; }

bool IsDeciding(int code) { return code == IST_CODE_SUCCESS || code == IST_CODE_FAIL; }

}  // namespace

CInstaller::CInstaller(PipelineCallback callback, const std::wstring& quoted_package,
                       const std::wstring& install_folder)
    : callback_(std::move(callback)), package_(quoted_package), install_folder_(install_folder) {}

CInstaller::~CInstaller() {
  if (worker_) worker_->Join();
}

std::wstring CInstaller::BuildCommandLine() const {
  std::wstring line = package_;
  line += L" /S -console=show -version=1.0.0";
  line += L" -adminact=";
  line += Bool(admin_account_);
  line += L" -authorizationact=";
  line += Bool(elevated_);
  line += L" -dsc=";
  line += Bool(desktop_shortcut_);
  line += L" -ssc=";
  line += Bool(quick_start_shortcut_);
  if (!language_.empty()) line += L" -inslang=\"" + language_ + L"\"";
  const std::wstring& extra = InstallerSettings::Instance().InstCmd;
  if (!extra.empty()) line += L" " + extra;
  // The folder goes last, unquoted after "/D=", so that it may hold spaces.
  if (!install_folder_.empty()) {
    line += L" -instdir=\"" + install_folder_ + L"\" /D=" + install_folder_;
  }
  return line;
}

void CInstaller::Start() {
  command_line_ = BuildCommandLine();
  if (worker_) {
    worker_->Join();
    worker_.reset();
  }
  worker_.reset(new Utils::Thread());
  if (!worker_->Start(
          L"ABDEF", [this](void*) { Run(); }, nullptr)) {
    // Without a worker the package cannot run at all; the owner still needs
    // its final event.
    worker_.reset();
    Report(IST_CODE_FAIL, 2.0, L"");
    return;
  }
  worker_->Resume();
}

void CInstaller::Run() {
  Report(IST_CODE_START, 0.0, L"");
  Report(IST_CODE_PROGRESS, 0.0, L"");
  code_page_ = CP_ACP;
  const CStatusRun::Outcome outcome = CStatusRun::Execute(
      command_line_, code_page_,
      [this](const std::wstring& text, PipelineEvents* events) { return Parse(text, events); },
      &IsDeciding, callback_);
  // A package that crashed did not install, whatever it printed before.
  CStatusRun::ReportUndecided(
      outcome, {IST_CODE_FAIL, IST_CODE_FAIL, kPackageFailedText, IST_CODE_SUCCESS}, callback_);
}

int CInstaller::Parse(const std::wstring& text, PipelineEvents* events) {
  using namespace StatusKeys;
  int decision = 0;
  std::wistringstream stream(text);
  std::wstring line;
  while (std::getline(stream, line, L'\n')) {
    std::wstring value;
    if (Match(line, L"Progress=", &value)) {
      events->push_back({IST_CODE_PROGRESS, ReadDouble(value), L""});
    } else if (Match(line, L"InstPath=", &value)) {
      events->push_back({IST_INFO_INSTALL_PATH, 0.0, value});
    } else if (Match(line, L"State=", &value)) {
      const std::wstring state = Utils::Trim(value);
      if (state == L"Success") {
        events->push_back({IST_CODE_SUCCESS, 0.0, L""});
        decision = 1;
      } else if (state == L"Fail") {
        events->push_back({IST_CODE_FAIL, 0.0, kPackageFailedText});
        decision = 1000;
      }
    } else if (Match(line, L"ExePath=", &value)) {
      DEBUG_LOG(L"ExePath: %s\r\n", value.c_str());
      events->push_back({IST_INFO_START_EXE, 0.0, value});
    } else if (Match(line, L"StartExe=", &value)) {
      events->push_back({IST_INFO_START_EXE, 0.0, value});
    } else if (Match(line, L"UninstExePath=", &value) || Match(line, L"UninstExe=", &value)) {
      events->push_back({IST_INFO_UNINSTALL_EXE, 0.0, value});
    } else if (Match(line, L"UninstEp=", &value)) {
      events->push_back({IST_INFO_UNINSTALL_ENTRY, 0.0, value});
    } else if (Match(line, L"Error=", &value)) {
      events->push_back({IST_CODE_FAIL, 1000.0, value});
      decision = 1000;
    } else if (Match(line, L"TopShowDetention=", &value)) {
      events->push_back({IST_INFO_TOP_SHOW_DELAY, ReadDelay(value), L""});
    } else if (Match(line, L"FinsihCloseDetention=", &value)) {
      events->push_back({IST_INFO_FINISH_CLOSE_DELAY, ReadDelay(value), L""});
    } else if (Match(line, L"StartUrl=", &value)) {
      events->push_back({IST_INFO_START_URL, 0.0, value});
    } else if (Match(line, L"StartupStyle=", &value)) {
      events->push_back({IST_INFO_STARTUP_STYLE, StartupStyle(value), L""});
    } else if (Match(line, L"Encode=", &value)) {
      code_page_ = PackageCodePage(value);
    } else if (Match(line, L"Message=", &value)) {
      events->push_back({IST_INFO_MESSAGE, 0.0, value});
    }
  }
  return decision;
}
