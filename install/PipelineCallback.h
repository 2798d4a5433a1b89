#pragma once
// The one callback shape through which the package runner, the uninstaller
// runner and the pipeline report to their owner, and the codes they use.
//
// Thread contract: a callback is called on the reporting worker's thread,
// never on the owner's; the text is never null and only valid during the
// call. The same type as the downloaders' callback, so that one function can
// receive the events of every worker.

#include <functional>
#include <string>
#include <vector>

using PipelineCallback = std::function<void(int code, double value, const wchar_t* text)>;

enum InstallCode {
  IST_CODE_START = 2001,
  IST_CODE_PROGRESS = 2002,
  IST_CODE_SUCCESS = 2003,
  IST_CODE_FAIL = 2004,
};

enum InstallInfoCode {
  IST_INFO_INSTALL_PATH = 3000,
  IST_INFO_START_EXE = 3001,
  IST_INFO_UNINSTALL_EXE = 3002,
  IST_INFO_UNINSTALL_ENTRY = 3003,
  IST_INFO_START_URL = 3004,
  IST_INFO_STARTUP_STYLE = 3005,
  IST_INFO_TOP_SHOW_DELAY = 3007,
  IST_INFO_FINISH_CLOSE_DELAY = 3008,
  IST_INFO_MESSAGE = 3009,
};

enum UninstallCode {
  UNIST_CODE_START = 5001,
  UNIST_CODE_PROGRESS = 5002,
  UNIST_CODE_SUCCESS = 5003,
  UNIST_CODE_FAIL = 5004,
  UNIST_CODE_ERROR = 5005,
};

// The texts the runners send with their failure codes.
extern const wchar_t* const kPackageFailedText;       // "安装包安装失败"
extern const wchar_t* const kUninstallFailedText;     // "安装包卸载失败"
extern const wchar_t* const kUninstallerMissingText;  // "可执行卸载文件不存在"

// One event held back by a runner until it may be delivered.
struct PipelineEvent {
  int code;
  double value;
  std::wstring text;
};
using PipelineEvents = std::vector<PipelineEvent>;
