#pragma once
// The bounded queue of serialised records, its record file and its batched
// delivery.
//
// Thread contract: Send may be called from any thread at any time; it takes
// only the queue lock for an append and never waits for the network. Flush,
// FlushAll and Close may also be called from any thread: they take the flush
// lock first (one flush at a time, HTTP request included, so they block for
// up to the 3-second time-out per batch) and the queue lock only while
// moving records. Lock order is always flush lock, then queue lock. The
// consumer owns its sender; the Sdk instance owns the consumer.

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analytics/sdk/RecursiveLock.h"
#include "analytics/sdk/ObjectNode.h"
#include "analytics/sdk/RecordSender.h"

namespace usage_analytics {

class RecordConsumer {
 public:
  static constexpr size_t kCapacity = 1024;
  static constexpr size_t kBatchSize = 30;
  // The file that holds unsent records when the path given names a folder.
  static constexpr char kRecordFileName[] = "PendingRecords.jsonl";

  // `record_path` is a file, or a folder (ending with a separator) in which
  // kRecordFileName is used; empty means no persistence.
  RecordConsumer(const std::string& server_url, const std::string& record_path);
  // The same with a sender of the caller's making.
  RecordConsumer(std::unique_ptr<RecordSender> sender, const std::string& record_path);
  ~RecordConsumer();
  RecordConsumer(const RecordConsumer&) = delete;
  RecordConsumer& operator=(const RecordConsumer&) = delete;

  // Serialises and queues one record, dropping the oldest past capacity.
  void Send(const utils::ObjectNode& record);
  // Queues an already serialised record.
  void SendJson(std::string record_json);

  // Sends one batch; true when accepted or when nothing was queued.
  bool Flush();
  // Sends batches until the queue is empty (true) or one fails (false).
  bool FlushAll();
  // Reads the record file back once per run and truncates it.
  void LoadFromFile();
  // Writes the queue to the record file, one record a line.
  void DumpToFile();
  // Final persistence: waits for a flush in progress, reads back, dumps and
  // releases the sender. Later flushes send nothing.
  void Close();

  size_t QueueSize() const;
  std::vector<std::string> QueuedRecords() const;
  const std::string& record_file_path() const { return record_file_path_; }

 private:
  // Puts the tail of a failed batch back at the front, as far as there is
  // room. Takes the queue lock.
  void Requeue(const std::vector<std::string>& batch);

  mutable RecursiveLock queue_lock_;
  RecursiveLock flush_lock_;
  std::deque<std::string> queue_;
  bool loaded_ = false;
  bool closed_ = false;
  std::string record_file_path_;
  std::unique_ptr<RecordSender> sender_;
};

}  // namespace usage_analytics
