#include "install/PipelineCallback.h"

const wchar_t* const kPackageFailedText = L"安装包安装失败";
const wchar_t* const kUninstallFailedText = L"安装包卸载失败";
const wchar_t* const kUninstallerMissingText = L"可执行卸载文件不存在";
