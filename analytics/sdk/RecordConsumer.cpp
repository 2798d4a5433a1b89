#include "analytics/sdk/RecordConsumer.h"

#include <windows.h>

#include <cstdio>
#include <exception>

#include "analytics/sdk/Diagnostics.h"
#include "analytics/sdk/Json.h"

namespace usage_analytics {
namespace {

std::string ResolveRecordFile(const std::string& path) {
  if (path.empty()) return path;
  const char last = path.back();
  if (last == '\\' || last == '/') return path + RecordConsumer::kRecordFileName;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return path + "\\" + RecordConsumer::kRecordFileName;
  }
  return path;
}

bool LooksLikeRecord(const std::string& line) {
  return !line.empty() && line.front() == '{' && line.back() == '}';
}

}  // namespace

constexpr char RecordConsumer::kRecordFileName[];

RecordConsumer::RecordConsumer(const std::string& server_url, const std::string& record_path)
    : record_file_path_(ResolveRecordFile(record_path)),
      sender_(std::make_unique<RecordSender>(server_url)) {}

RecordConsumer::RecordConsumer(std::unique_ptr<RecordSender> sender, const std::string& record_path)
    : record_file_path_(ResolveRecordFile(record_path)), sender_(std::move(sender)) {}

RecordConsumer::~RecordConsumer() { Close(); }

void RecordConsumer::Send(const utils::ObjectNode& record) { SendJson(ToJson(record)); }

void RecordConsumer::SendJson(std::string record_json) {
  std::lock_guard<RecursiveLock> lock(queue_lock_);
  queue_.push_back(std::move(record_json));
  if (queue_.size() > kCapacity) queue_.pop_front();
}

bool RecordConsumer::Flush() {
  LoadFromFile();
  std::lock_guard<RecursiveLock> flush(flush_lock_);
  std::vector<std::string> batch;
  {
    std::lock_guard<RecursiveLock> lock(queue_lock_);
    if (closed_ || sender_ == nullptr) return false;
    const size_t n = std::min(queue_.size(), kBatchSize);
    if (n == 0) return true;
    batch.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      batch.push_back(std::move(queue_.front()));
      queue_.pop_front();
    }
  }
  bool succeeded = false;
  try {
    size_t length = 2;
    for (const auto& record : batch) length += record.size() + 1;
    std::string body;
    body.reserve(length);
    body.push_back('[');
    for (size_t i = 0; i < batch.size(); ++i) {
      if (i != 0) body.push_back(',');
      body.append(batch[i]);
    }
    body.push_back(']');
    succeeded = sender_->Send(body, HeaderList());
  } catch (const std::exception& e) {
    WriteError(std::string("Exception when flush failed: (") + e.what() + ") ");
    succeeded = false;
  }
  // A failed batch goes back rather than being lost, also when the failure
  // was an exception (running out of memory while building the body).
  if (!succeeded) Requeue(batch);
  return succeeded;
}

void RecordConsumer::Requeue(const std::vector<std::string>& batch) {
  std::lock_guard<RecursiveLock> lock(queue_lock_);
  const size_t free = queue_.size() < kCapacity ? kCapacity - queue_.size() : 0;
  const size_t keep = std::min(free, batch.size());
  // Inserting back to front keeps the batch's own order, and the part that
  // does not fit is its oldest records.
  for (size_t i = 0; i < keep; ++i) queue_.push_front(batch[batch.size() - 1 - i]);
}

bool RecordConsumer::FlushAll() {
  LoadFromFile();
  for (;;) {
    {
      std::lock_guard<RecursiveLock> lock(queue_lock_);
      if (queue_.empty()) return true;
      if (closed_) return false;
    }
    if (!Flush()) return false;
  }
}

void RecordConsumer::LoadFromFile() {
  std::lock_guard<RecursiveLock> lock(queue_lock_);
  if (loaded_) return;
  loaded_ = true;
  if (record_file_path_.empty()) return;
  const size_t free = queue_.size() < kCapacity ? kCapacity - queue_.size() : 0;
  if (free > 0) {
    std::deque<std::string> lines;
    if (FILE* file = std::fopen(record_file_path_.c_str(), "rb")) {
      std::string line;
      auto take = [&]() {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (LooksLikeRecord(line)) {
          lines.push_back(std::move(line));
          if (lines.size() > free) lines.pop_front();
        }
        line.clear();
      };
      char buffer[16384];
      size_t got = 0;
      while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        for (size_t i = 0; i < got; ++i) {
          if (buffer[i] == '\n') {
            take();
          } else {
            line.push_back(buffer[i]);
          }
        }
      }
      take();
      std::fclose(file);
    }
    queue_.insert(queue_.begin(), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
  }
  if (FILE* file = std::fopen(record_file_path_.c_str(), "wb")) std::fclose(file);
}

void RecordConsumer::DumpToFile() {
  std::lock_guard<RecursiveLock> lock(queue_lock_);
  if (record_file_path_.empty()) return;
  FILE* file = std::fopen(record_file_path_.c_str(), "wb");
  if (file == nullptr) return;
  for (const auto& record : queue_) {
    std::fwrite(record.data(), 1, record.size(), file);
    std::fputc('\n', file);
  }
  std::fclose(file);
}

void RecordConsumer::Close() {
  // Waiting for the flush lock lets a batch in flight finish (or come back
  // into the queue) before the queue is written out.
  std::lock_guard<RecursiveLock> flush(flush_lock_);
  std::lock_guard<RecursiveLock> lock(queue_lock_);
  if (closed_) return;
  LoadFromFile();
  DumpToFile();
  closed_ = true;
  sender_.reset();
}

size_t RecordConsumer::QueueSize() const {
  std::lock_guard<RecursiveLock> lock(queue_lock_);
  return queue_.size();
}

std::vector<std::string> RecordConsumer::QueuedRecords() const {
  std::lock_guard<RecursiveLock> lock(queue_lock_);
  return std::vector<std::string>(queue_.begin(), queue_.end());
}

}  // namespace usage_analytics
