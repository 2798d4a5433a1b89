#include "analytics/sdk/Sdk.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <shared_mutex>
#include <utility>

#include "analytics/sdk/Validation.h"

namespace usage_analytics {
namespace {

using utils::ObjectNode;
using utils::ValueKind;
using utils::ValueNode;

constexpr char kLib[] = "cpp";
constexpr char kLibVersion[] = "0.9";
constexpr char kLibMethod[] = "code";

std::shared_mutex& InstanceLock() {
  static std::shared_mutex lock;
  return lock;
}

Sdk* g_instance = nullptr;

// The record id only needs fragments of fixed width, not a particular
// generator. A lock-free generator shared by every thread keeps ids spread
// even when several threads record at once (the C library's generator is
// per thread here and would repeat the same sequence on each).
std::atomic<uint64_t> g_random_state{0x9E3779B97F4A7C15ull};

uint32_t NextRandom() {
  uint64_t z = g_random_state.fetch_add(0x9E3779B97F4A7C15ull, std::memory_order_relaxed);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return static_cast<uint32_t>((z ^ (z >> 31)) >> 33);
}

std::string LastDigits(long long value, size_t count) {
  const std::string digits = std::to_string(value);
  return digits.size() <= count ? digits : digits.substr(digits.size() - count);
}

}  // namespace

Sdk::Sdk(const std::string& server_url, const std::string& record_path,
         const std::string& distinct_id, bool is_login_id)
    : distinct_id_(distinct_id),
      is_login_id_(is_login_id),
      consumer_(std::make_shared<RecordConsumer>(server_url, record_path)) {
  ResetSuperProperties();
}

bool Sdk::Init(const std::string& server_url, const std::string& record_path,
               const std::string& distinct_id, bool is_login_id) {
  if (!CheckIdentifier("Distinct ID", distinct_id)) return false;
  std::unique_lock<std::shared_mutex> lock(InstanceLock());
  if (g_instance != nullptr) return true;
  g_instance = new Sdk(server_url, record_path, distinct_id, is_login_id);
  g_random_state.store(static_cast<uint64_t>(CurrentTimeMillis() / 1000) * 0x2545F4914F6CDD1Dull +
                           GetCurrentProcessId(),
                       std::memory_order_relaxed);
  return true;
}

void Sdk::Shutdown() {
  Sdk* instance = nullptr;
  {
    std::unique_lock<std::shared_mutex> lock(InstanceLock());
    instance = g_instance;
    g_instance = nullptr;
  }
  if (instance == nullptr) return;
  // Closing outside the instance lock: it may wait for a flush in flight,
  // and recording threads must not wait for that.
  instance->consumer_->Close();
  delete instance;
}

bool Sdk::IsInitialized() {
  std::shared_lock<std::shared_mutex> lock(InstanceLock());
  return g_instance != nullptr;
}

std::string Sdk::DistinctId() {
  std::shared_lock<std::shared_mutex> lock(InstanceLock());
  return g_instance != nullptr ? g_instance->distinct_id_ : std::string();
}

bool Sdk::IsLoginId() {
  std::shared_lock<std::shared_mutex> lock(InstanceLock());
  return g_instance != nullptr && g_instance->is_login_id_;
}

std::shared_ptr<RecordConsumer> Sdk::Consumer() {
  std::shared_lock<std::shared_mutex> lock(InstanceLock());
  return g_instance != nullptr ? g_instance->consumer_ : nullptr;
}

bool Sdk::FlushAll() {
  const auto consumer = Consumer();
  return consumer != nullptr && consumer->FlushAll();
}

void Sdk::Track(const std::string& event_name, const PropertiesNode& properties) {
  std::shared_lock<std::shared_mutex> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->Assemble("track", event_name, properties, g_instance->distinct_id_, std::string());
}

void Sdk::Track(const std::string& event_name) { Track(event_name, PropertiesNode()); }

void Sdk::TrackSignup(const std::string& login_id) {
  {
    std::shared_lock<std::shared_mutex> lock(InstanceLock());
    if (g_instance == nullptr) return;
    g_instance->Assemble("track_signup", "$SignUp", PropertiesNode(), login_id,
                         g_instance->distinct_id_);
  }
  std::unique_lock<std::shared_mutex> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->distinct_id_ = login_id;
  g_instance->is_login_id_ = true;
}

void Sdk::TrackInstallation(const std::string& event_name, const PropertiesNode& properties) {
  PropertiesNode node;
  node.SetString("$ios_install_source", "");
  node.Merge(properties);
  std::shared_lock<std::shared_mutex> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->Assemble("track", event_name, node, g_instance->distinct_id_, std::string());
}

void Sdk::Profile(const std::string& type, const PropertiesNode& properties) {
  std::shared_lock<std::shared_mutex> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->Assemble(type, std::string(), properties, g_instance->distinct_id_, std::string());
}

void Sdk::ProfileSet(const PropertiesNode& properties) { Profile("profile_set", properties); }

void Sdk::ProfileSet(const std::string& key, const std::string& value) {
  PropertiesNode node;
  node.SetString(key, value);
  Profile("profile_set", node);
}

void Sdk::ProfileSet(const std::string& key, int value) {
  PropertiesNode node;
  node.SetNumber(key, value);
  Profile("profile_set", node);
}

void Sdk::ProfileSet(const std::string& key, double value) {
  PropertiesNode node;
  node.SetNumber(key, value);
  Profile("profile_set", node);
}

void Sdk::ProfileSetOnce(const PropertiesNode& properties) {
  Profile("profile_set_once", properties);
}

void Sdk::ProfileSetOnce(const std::string& key, const std::string& value) {
  PropertiesNode node;
  node.SetString(key, value);
  Profile("profile_set_once", node);
}

void Sdk::ProfileSetOnce(const std::string& key, int value) {
  PropertiesNode node;
  node.SetNumber(key, value);
  Profile("profile_set_once", node);
}

void Sdk::ProfileSetOnce(const std::string& key, double value) {
  PropertiesNode node;
  node.SetNumber(key, value);
  Profile("profile_set_once", node);
}

void Sdk::ProfileIncrement(const PropertiesNode& properties) {
  Profile("profile_increment", properties);
}

void Sdk::ProfileIncrement(const std::string& key, int value) {
  PropertiesNode node;
  node.SetNumber(key, value);
  Profile("profile_increment", node);
}

void Sdk::ProfileAppend(const std::string& key, const std::string& value) {
  PropertiesNode node;
  node.SetList(key, {value});
  Profile("profile_append", node);
}

void Sdk::RegisterSuperProperties(const PropertiesNode& properties) {
  std::unique_lock<std::shared_mutex> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->super_properties_.Merge(properties);
}

void Sdk::ClearSuperProperties() {
  std::unique_lock<std::shared_mutex> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->ResetSuperProperties();
}

void Sdk::ResetSuperProperties() {
  super_properties_.Clear();
  super_properties_.SetString("$lib", kLib);
  super_properties_.SetString("$lib_version", kLibVersion);
}

bool Sdk::AssembleRecord(const std::string& type, const std::string& event_name,
                         const PropertiesNode& properties, const std::string& distinct_id,
                         const std::string& original_id) {
  std::shared_lock<std::shared_mutex> lock(InstanceLock());
  if (g_instance == nullptr) return false;
  return g_instance->Assemble(type, event_name, properties, distinct_id, original_id);
}

bool Sdk::Assemble(const std::string& type, const std::string& event_name,
                   const PropertiesNode& properties, const std::string& distinct_id,
                   const std::string& original_id) {
  if (!CheckProperties(properties)) return false;
  if (type == "track") {
    if (!CheckName("Event Name", event_name)) return false;
  } else if (type == "track_signup") {
    if (!CheckIdentifier("Original ID", original_id)) return false;
  }
  const bool is_track = type.find("track") != std::string::npos;

  ObjectNode final_properties;
  if (is_track) final_properties = super_properties_;
  final_properties.Merge(properties);

  int64_t time = 0;
  if (const ValueNode* stamp = final_properties.Find("$time")) {
    time = stamp->AsDateTime().seconds * 1000 + stamp->AsDateTime().milliseconds;
    final_properties.Remove("$time");
  } else {
    time = CurrentTimeMillis();
  }
  std::string project;
  if (const ValueNode* value = final_properties.Find("$project")) {
    project = value->AsString();
    final_properties.Remove("$project");
  }
  if (is_login_id_) final_properties.SetValue("$is_login_id", ValueNode::Bool(true));

  ObjectNode lib;
  lib.SetValue("$lib", ValueNode::String(kLib));
  lib.SetValue("$lib_version", ValueNode::String(kLibVersion));
  lib.SetValue("$lib_method", ValueNode::String(kLibMethod));

  ObjectNode record;
  record.SetValue("type", ValueNode::String(type));
  record.SetValue("time", ValueNode::Integer(time));
  record.SetValue("distinct_id", ValueNode::String(distinct_id));
  record.SetValue("properties", ValueNode::Object(std::move(final_properties)));
  record.SetValue("lib", ValueNode::Object(std::move(lib)));
  record.SetValue("_track_id", ValueNode::Integer(TrackId()));
  if (!project.empty()) record.SetValue("project", ValueNode::String(project));
  if (is_track) record.SetValue("event", ValueNode::String(event_name));
  if (type == "track_signup") record.SetValue("original_id", ValueNode::String(original_id));

  consumer_->Send(record);
  return true;
}

int64_t Sdk::TrackId() {
  const int first = static_cast<int>(NextRandom() % 99) + 100;
  const int second = static_cast<int>(NextRandom() % 999) + 1000;
  return ComposeTrackId(first, second, CurrentTimeMillis());
}

int64_t Sdk::ComposeTrackId(int first, int second, int64_t millis) {
  const std::string text =
      LastDigits(first, 2) + LastDigits(second, 3) + LastDigits(static_cast<long long>(millis), 4);
  return std::stoll(text);
}

int64_t Sdk::CurrentTimeMillis() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return static_cast<int64_t>((ticks.QuadPart - 116444736000000000ull) / 10000);
}

}  // namespace usage_analytics
