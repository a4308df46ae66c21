#pragma once

#include <concepts>
#include <cstdint>
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
  static std::string Quote(const std::string& text);

 private:
  JsonWriter& AddRaw(const std::string& key, std::string json);
  JsonWriter& AddInteger(const std::string& key, int64_t value);
  std::vector<std::pair<std::string, std::string>> members_;
};

}  // namespace zel::cli
