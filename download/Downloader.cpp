#include "download/Downloader.h"

#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"

const wchar_t* const kLibCurlText = L"LibCurl";
const wchar_t* const kUrlDownloadToFileText = L"URLDownloadToFile";
const wchar_t* const kCurlMd5MismatchText = L"curl文件md5校验失败";
const wchar_t* const kCurlMd5MissingText = L"curl获取url-md5失败";
const wchar_t* const kMTCurlMd5MismatchText = L"mtcurl文件md5校验失败";
const wchar_t* const kMTCurlMd5MissingText = L"mtcurl获取url-md5失败";

const wchar_t* DownloadCodeName(int code) {
  switch (code) {
    case DL_CODE_START:
      return L"DL_CODE_START";
    case DL_CODE_PROGRESS:
      return L"DL_CODE_PROGRESS";
    case DL_CODE_SUCCESS:
      return L"DL_CODE_SUCCESS";
    case DL_CODE_FAIL:
      return L"DL_CODE_FAIL";
    case DL_CODE_RETRY:
      return L"DL_CODE_RETRY";
    default:
      return nullptr;
  }
}

DownloaderKind DownloaderKindFor(int download_type) {
  switch (download_type) {
    case 2:
      return DownloaderKind::UrlMoniker;
    case 3:
      return DownloaderKind::MultiPart;
    default:
      return DownloaderKind::SingleStream;
  }
}

std::unique_ptr<CDownloader> CreateDownloader(int download_type, DownloadCallback callback,
                                              const std::wstring& url,
                                              const std::wstring& target_path) {
  switch (DownloaderKindFor(download_type)) {
    case DownloaderKind::MultiPart:
      return std::make_unique<CMTCurlDownloader>(std::move(callback), url, target_path);
    case DownloaderKind::UrlMoniker:
      // The URL-moniker downloader arrives in a later change together with its
      // class; until then the single-stream downloader fetches the package for
      // this setting too, so that a configuration asking for it still works.
    case DownloaderKind::SingleStream:
      break;
  }
  return std::make_unique<CCurlDownloader>(std::move(callback), url, target_path);
}
