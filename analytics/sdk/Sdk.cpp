#include "analytics/sdk/Sdk.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "analytics/sdk/Json.h"
#include "analytics/sdk/SharedLock.h"
#include "analytics/sdk/Validation.h"

namespace usage_analytics {
namespace {

using utils::ObjectNode;
using utils::ValueKind;
using utils::ValueNode;

constexpr char kLib[] = "cpp";
constexpr char kLibVersion[] = "0.9";
constexpr char kLibMethod[] = "code";

SharedLock& InstanceLock() {
  static SharedLock lock;
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
  std::unique_lock<SharedLock> lock(InstanceLock());
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
    std::unique_lock<SharedLock> lock(InstanceLock());
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
  std::shared_lock<SharedLock> lock(InstanceLock());
  return g_instance != nullptr;
}

std::string Sdk::DistinctId() {
  std::shared_lock<SharedLock> lock(InstanceLock());
  return g_instance != nullptr ? g_instance->distinct_id_ : std::string();
}

bool Sdk::IsLoginId() {
  std::shared_lock<SharedLock> lock(InstanceLock());
  return g_instance != nullptr && g_instance->is_login_id_;
}

std::shared_ptr<RecordConsumer> Sdk::Consumer() {
  std::shared_lock<SharedLock> lock(InstanceLock());
  return g_instance != nullptr ? g_instance->consumer_ : nullptr;
}

bool Sdk::FlushAll() {
  const auto consumer = Consumer();
  return consumer != nullptr && consumer->FlushAll();
}

void Sdk::Track(const std::string& event_name, const PropertiesNode& properties) {
  std::shared_lock<SharedLock> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->Assemble("track", event_name, properties, g_instance->distinct_id_, std::string());
}

void Sdk::Track(const std::string& event_name) { Track(event_name, PropertiesNode()); }

void Sdk::TrackSignup(const std::string& login_id) {
  {
    std::shared_lock<SharedLock> lock(InstanceLock());
    if (g_instance == nullptr) return;
    g_instance->Assemble("track_signup", "$SignUp", PropertiesNode(), login_id,
                         g_instance->distinct_id_);
  }
  std::unique_lock<SharedLock> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->distinct_id_ = login_id;
  g_instance->is_login_id_ = true;
}

void Sdk::TrackInstallation(const std::string& event_name, const PropertiesNode& properties) {
  PropertiesNode node;
  node.SetString("$ios_install_source", "");
  node.Merge(properties);
  std::shared_lock<SharedLock> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->Assemble("track", event_name, node, g_instance->distinct_id_, std::string());
}

void Sdk::Profile(const std::string& type, const PropertiesNode& properties) {
  std::shared_lock<SharedLock> lock(InstanceLock());
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
  std::unique_lock<SharedLock> lock(InstanceLock());
  if (g_instance == nullptr) return;
  g_instance->super_properties_.Merge(properties);
}

void Sdk::ClearSuperProperties() {
  std::unique_lock<SharedLock> lock(InstanceLock());
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
  std::shared_lock<SharedLock> lock(InstanceLock());
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
  const ObjectNode* super = is_track ? &super_properties_ : nullptr;

  // The caller's values win over the super properties, for the reserved
  // keys as for every other.
  auto find = [&](const std::string& key) -> const ValueNode* {
    if (const ValueNode* own = properties.Find(key)) return own;
    return super != nullptr ? super->Find(key) : nullptr;
  };
  int64_t time = 0;
  if (const ValueNode* stamp = find("$time")) {
    time = stamp->AsDateTime().seconds * 1000 + stamp->AsDateTime().milliseconds;
  } else {
    time = CurrentTimeMillis();
  }
  const ValueNode* project = find("$project");

  // The record is written straight into its JSON form, members in key order,
  // rather than built as a tree and serialised: the bytes are the same and
  // the super properties need not be copied for every record.
  std::string json;
  json.reserve(1024);
  json.append("{\"_track_id\":");
  AppendInteger(TrackId(), &json);
  json.append(",\"distinct_id\":");
  AppendJsonString(distinct_id, &json);
  if (is_track) {
    json.append(",\"event\":");
    AppendJsonString(event_name, &json);
  }
  json.append(",\"lib\":{\"$lib\":\"");
  json.append(kLib);
  json.append("\",\"$lib_method\":\"");
  json.append(kLibMethod);
  json.append("\",\"$lib_version\":\"");
  json.append(kLibVersion);
  json.append("\"}");
  if (type == "track_signup") {
    json.append(",\"original_id\":");
    AppendJsonString(original_id, &json);
  }
  if (project != nullptr && !project->AsString().empty()) {
    json.append(",\"project\":");
    AppendJsonString(project->AsString(), &json);
  }
  json.append(",\"properties\":");
  AppendFinalProperties(super, properties, is_login_id_, &json);
  json.append(",\"time\":");
  AppendInteger(time, &json);
  json.append(",\"type\":");
  AppendJsonString(type, &json);
  json.push_back('}');

  consumer_->SendJson(std::move(json));
  return true;
}

void Sdk::AppendFinalProperties(const ObjectNode* super, const ObjectNode& own, bool login,
                                std::string* out) {
  static const std::string kLoginKey = "$is_login_id";
  static const ObjectNode::Entries kNone;
  const ObjectNode::Entries& supers = super != nullptr ? super->entries() : kNone;
  auto s = supers.begin();
  auto o = own.entries().begin();
  bool login_pending = login;
  bool first = true;
  // A merge of the two ordered maps (and the login flag) in key order.
  while (s != supers.end() || o != own.entries().end() || login_pending) {
    const std::string* key = nullptr;
    if (s != supers.end()) key = &s->first;
    if (o != own.entries().end() && (key == nullptr || o->first < *key)) key = &o->first;
    if (login_pending && (key == nullptr || kLoginKey < *key)) key = &kLoginKey;
    const bool from_own = o != own.entries().end() && o->first == *key;
    const bool from_super = s != supers.end() && s->first == *key;
    const bool from_login = login_pending && *key == kLoginKey;
    const ValueNode* value = from_own ? &o->second : (from_super ? &s->second : nullptr);
    const bool reserved = *key == "$time" || *key == "$project";
    const bool unset = !from_login && value->kind() == ValueKind::Unset;
    if (!reserved && !unset) {
      out->append(first ? "{" : ",");
      first = false;
      AppendJsonString(*key, out);
      out->push_back(':');
      if (from_login) {
        out->append("true");
      } else {
        AppendJsonValue(*value, out);
      }
    }
    if (from_own) ++o;
    if (from_super) ++s;
    if (from_login) login_pending = false;
  }
  out->append(first ? "{}" : "}");
}

int64_t Sdk::TrackId() {
  const int first = static_cast<int>(NextRandom() % 99) + 100;
  const int second = static_cast<int>(NextRandom() % 999) + 1000;
  return ComposeTrackId(first, second, CurrentTimeMillis());
}

int64_t Sdk::ComposeTrackId(int first, int second, int64_t millis) {
  // The same as concatenating the decimal texts' last digits and reading the
  // result back, without building any text.
  int64_t id = 0;
  const struct {
    int64_t value;
    int width;
  } fragments[] = {{first, 2}, {second, 3}, {millis, 4}};
  for (const auto& fragment : fragments) {
    int64_t modulus = 1;
    for (int i = 0; i < fragment.width; ++i) modulus *= 10;
    int64_t value = fragment.value % modulus;
    if (value < 0) value = -value;
    int64_t scale = 1;
    const int64_t whole = fragment.value < 0 ? -fragment.value : fragment.value;
    for (int digits = 0; digits < fragment.width && (digits == 0 || scale <= whole); ++digits) {
      scale *= 10;
    }
    id = id * scale + value;
  }
  return id;
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
