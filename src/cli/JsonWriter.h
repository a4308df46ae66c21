#pragma once

#include <concepts>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace zel::cli {

// Builds one flat-or-nested JSON object for scripts reading zelctl's --json output. Keys keep
// their insertion order so the output is stable from run to run.
class JsonWriter {
 public:
  JsonWriter& Add(const std::string& key, const std::string& value);
  JsonWriter& Add(const std::string& key, const char* value);
  template <std::integral T>
  requires(!std::same_as<T, bool>) JsonWriter& Add(const std::string& key, T value) {
    return AddInteger(key, static_cast<int64_t>(value));
  }
  JsonWriter& Add(const std::string& key, double value);
  JsonWriter& Add(const std::string& key, bool value);
  JsonWriter& Add(const std::string& key, const JsonWriter& object);
  JsonWriter& Add(const std::string& key, const std::vector<JsonWriter>& array);
  JsonWriter& Add(const std::string& key, const std::vector<std::string>& array);
  JsonWriter& Add(const std::string& key, const std::vector<int>& array);
  // A word as a number under key and its "0x%.4X" text under key + "Hex", for readers who want
  // the bit pattern a technician sees.
  JsonWriter& AddWord(const std::string& key, uint16_t value);

  // Appends every member of other, in its order.
  JsonWriter& Append(const JsonWriter& other);

  std::string Str() const;

 private:
  JsonWriter& AddInteger(const std::string& key, int64_t value);
  JsonWriter& Set(const std::string& key, nlohmann::ordered_json value);

  nlohmann::ordered_json object_ = nlohmann::ordered_json::object();
};

}  // namespace zel::cli
