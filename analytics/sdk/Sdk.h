#pragma once
// The one SDK instance of the process: super properties, identity and the
// record consumer, behind static operations that do nothing while no
// instance exists.
//
// Thread contract: every operation may be called from any thread. Recording
// operations (Track, TrackInstallation, the profile operations) read the
// instance under a shared lock and so run in parallel with each other; the
// operations that change the instance (Init, Shutdown, TrackSignup's identity
// change, RegisterSuperProperties, ClearSuperProperties) take that lock
// exclusively, so a record is never assembled from half-changed state and
// never touches a freed instance. None of them waits for the network: the
// consumer queues records, and delivery happens in its flushes.

#include <cstdint>
#include <memory>
#include <string>

#include "analytics/sdk/PropertiesNode.h"
#include "analytics/sdk/RecordConsumer.h"

namespace usage_analytics {

class Sdk {
 public:
  // Creates the instance. False (with a message) when the distinct id is
  // not a valid identifier; true without change when it already exists.
  static bool Init(const std::string& server_url, const std::string& record_path,
                   const std::string& distinct_id, bool is_login_id);
  // Final persistence of the queue, then the instance is gone.
  static void Shutdown();

  static void Track(const std::string& event_name, const PropertiesNode& properties);
  static void Track(const std::string& event_name);
  static void TrackSignup(const std::string& login_id);
  static void TrackInstallation(const std::string& event_name, const PropertiesNode& properties);

  static void ProfileSet(const PropertiesNode& properties);
  static void ProfileSet(const std::string& key, const std::string& value);
  static void ProfileSet(const std::string& key, int value);
  static void ProfileSet(const std::string& key, double value);
  static void ProfileSetOnce(const PropertiesNode& properties);
  static void ProfileSetOnce(const std::string& key, const std::string& value);
  static void ProfileSetOnce(const std::string& key, int value);
  static void ProfileSetOnce(const std::string& key, double value);
  static void ProfileIncrement(const PropertiesNode& properties);
  static void ProfileIncrement(const std::string& key, int value);
  static void ProfileAppend(const std::string& key, const std::string& value);

  static void RegisterSuperProperties(const PropertiesNode& properties);
  static void ClearSuperProperties();

  // Builds one record and hands it to the consumer; false when a check
  // failed or there is no instance.
  static bool AssembleRecord(const std::string& type, const std::string& event_name,
                             const PropertiesNode& properties, const std::string& distinct_id,
                             const std::string& original_id);

  // The consumer of the live instance, kept alive for the caller even if the
  // instance shuts down meanwhile; null when there is none.
  static std::shared_ptr<RecordConsumer> Consumer();
  // FlushAll of the live instance's consumer; false when there is none.
  static bool FlushAll();

  static bool IsInitialized();
  static std::string DistinctId();
  static bool IsLoginId();

  // A fresh record id: two random fragments and the clock's last digits.
  static int64_t TrackId();
  // The id made of the last 2 digits of `first`, the last 3 of `second` and
  // the last 4 of `millis`, as an integer.
  static int64_t ComposeTrackId(int first, int second, int64_t millis);
  // Milliseconds since 1970-01-01 UTC.
  static int64_t CurrentTimeMillis();

 private:
  Sdk(const std::string& server_url, const std::string& record_path, const std::string& distinct_id,
      bool is_login_id);

  void ResetSuperProperties();
  // AssembleRecord on this instance, with the shared lock already held.
  bool Assemble(const std::string& type, const std::string& event_name,
                const PropertiesNode& properties, const std::string& distinct_id,
                const std::string& original_id);
  static void Profile(const std::string& type, const PropertiesNode& properties);
  // Writes the record's "properties" object: `super` (null for profile
  // records) overlaid by `own`, without "$time" and "$project", and with
  // "$is_login_id" true when `login` is set.
  static void AppendFinalProperties(const utils::ObjectNode* super, const utils::ObjectNode& own,
                                    bool login, std::string* out);

  PropertiesNode super_properties_;
  std::string distinct_id_;
  bool is_login_id_ = false;
  std::shared_ptr<RecordConsumer> consumer_;
};

}  // namespace usage_analytics
