// analytics_bench <server url> <count>
//
// Records <count> "track" events with a handful of properties each through
// the SDK, delivering to <server url> whenever 1000 are queued (below the
// queue's capacity, so nothing is dropped while the endpoint answers), then
// flushes everything. Prints on its first line
//   recorded=<n> seconds=<s> records_per_s=<x> flushed=<true|false>
// (assembly and delivery together), and on its second line the parts:
// assembly alone (by the wall clock and by the thread's CPU time), delivery alone, the cost of
// encoding one batch of 30 records, the most records ever queued and the peak working set.
//
// Each event carries "qv_seq" = 0..count-1, so whoever reads the endpoint's
// records can check that all arrived, once and in order.

#include <windows.h>
#include <psapi.h>

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "analytics/sdk/BatchEncoding.h"
#include "analytics/sdk/Sdk.h"

namespace {

using usage_analytics::PropertiesNode;
using usage_analytics::Sdk;

constexpr int kChunk = 1000;

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// CPU time of the calling thread in seconds; unlike the wall clock it does
// not count time spent waiting for a processor on a busy machine.
double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

std::string FreshFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  char folder[MAX_PATH + 64];
  std::snprintf(folder, sizeof(folder), "%sanalytics-bench-%lu-%llu\\", temp, GetCurrentProcessId(),
                static_cast<unsigned long long>(GetTickCount64()));
  CreateDirectoryA(folder, nullptr);
  return folder;
}

// Super properties of the size the installer's tracker registers.
void RegisterTypicalSuperProperties() {
  PropertiesNode super;
  super.SetString("qv_app_id", "Kestrima");
  super.SetString("$app_version", "3.1.0.0");
  super.SetString("$app_id", "Kestrima");
  super.SetString("qv_app_store", "official");
  super.SetString("qv_edition", "china");
  super.SetString("qv_app_platform", "Windows");
  super.SetString("qv_track_type", "Client");
  super.SetString("qv_sdk_version", "3.3.8");
  super.SetString("qv_sdk", "WindowsCPP");
  super.SetString("$os", "Windows");
  super.SetString("$os_version", "10");
  super.SetString("qv_l10n_locale", "zh_CN");
  super.SetString("qv_l10n_language", "zh");
  super.SetString("qv_l10n_country", "CN");
  super.SetNumber("$screen_height", 1080);
  super.SetNumber("$screen_width", 1920);
  Sdk::RegisterSuperProperties(super);
}

void TrackOne(int seq) {
  PropertiesNode properties;
  properties.SetString("qv_task_name", "download");
  properties.SetString("qv_task_result", "Success");
  properties.SetNumber("qv_task_elapsed", 12.5 + seq % 7);
  properties.SetBool("$is_first_time", seq == 0);
  properties.SetString("qvc_ab", "A1");
  properties.SetNumber("qv_seq", seq);
  Sdk::Track("QvEventTask", properties);
}

// Milliseconds to encode one batch of (up to) 30 queued records.
double BatchEncodeMillis() {
  const auto records = Sdk::Consumer()->QueuedRecords();
  std::string batch = "[";
  for (size_t i = 0; i < records.size() && i < 30; ++i) batch += (i ? "," : "") + records[i];
  batch += "]";
  constexpr int kRounds = 300;
  std::string body;
  const LARGE_INTEGER start = Now();
  for (int i = 0; i < kRounds; ++i) usage_analytics::BuildRequestBody(batch, &body);
  return Seconds(start, Now()) * 1000.0 / kRounds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: analytics_bench <server url> <count>\n");
    return 2;
  }
  char url[2048];
  WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, url, sizeof(url), nullptr, nullptr);
  const int count = _wtoi(argv[2]);
  if (count < 0) return 2;

  curl_global_init(CURL_GLOBAL_ALL);
  const std::string folder = FreshFolder();
  if (!Sdk::Init(url, folder, "bench-device", false)) return 1;
  RegisterTypicalSuperProperties();

  double assembly = 0.0, assembly_cpu = 0.0, delivery = 0.0, encode_ms = 0.0;
  size_t most_queued = 0;
  bool flushed = true;
  for (int done = 0; done < count;) {
    const int chunk = count - done < kChunk ? count - done : kChunk;
    const double cpu_start = ThreadCpuSeconds();
    const LARGE_INTEGER start = Now();
    for (int i = 0; i < chunk; ++i) TrackOne(done + i);
    const LARGE_INTEGER recorded = Now();
    assembly_cpu += ThreadCpuSeconds() - cpu_start;
    assembly += Seconds(start, recorded);
    done += chunk;
    const size_t queued = Sdk::Consumer()->QueueSize();
    if (queued > most_queued) most_queued = queued;
    if (encode_ms == 0.0) encode_ms = BatchEncodeMillis();
    const LARGE_INTEGER flush_start = Now();
    // A failed delivery keeps its records queued (bounded); the final flush
    // below reports whether everything went out.
    Sdk::FlushAll();
    delivery += Seconds(flush_start, Now());
  }
  const LARGE_INTEGER final_start = Now();
  flushed = Sdk::FlushAll();
  delivery += Seconds(final_start, Now());
  const size_t left = Sdk::Consumer()->QueueSize();
  Sdk::Shutdown();

  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof(memory);
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
  const double total = assembly + delivery;
  std::printf("recorded=%d seconds=%.3f records_per_s=%.0f flushed=%s\n", count, total,
              total > 0 ? count / total : 0.0, flushed ? "true" : "false");
  std::printf(
      "assembly_seconds=%.3f assembly_records_per_s=%.0f assembly_cpu_records_per_s=%.0f "
      "delivery_seconds=%.3f "
      "batch_encode_ms=%.3f most_queued=%zu left_queued=%zu peak_working_set_kb=%zu\n",
      assembly, assembly > 0 ? count / assembly : 0.0,
      assembly_cpu > 0 ? count / assembly_cpu : 0.0, delivery, encode_ms, most_queued, left,
      static_cast<size_t>(memory.PeakWorkingSetSize / 1024));
  std::fflush(stdout);
  // Leave nothing behind: the record file holds whatever was not delivered.
  DeleteFileA((folder + usage_analytics::RecordConsumer::kRecordFileName).c_str());
  RemoveDirectoryA(folder.c_str());
  curl_global_cleanup();
  return flushed ? 0 : 3;
}
