#include "cli/JsonWriter.h"

#include <cmath>
#include <cstdio>

namespace zel::cli {

std::string JsonWriter::Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c >= 0x80) {
          // Device texts are 8-bit; escaping keeps the output valid UTF-8 whatever they hold.
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

JsonWriter& JsonWriter::AddRaw(const std::string& key, std::string json) {
  members_.emplace_back(key, std::move(json));
  return *this;
}

JsonWriter& JsonWriter::Add(const std::string& key, const std::string& value) {
  return AddRaw(key, Quote(value));
}

JsonWriter& JsonWriter::Add(const std::string& key, const char* value) {
  return AddRaw(key, Quote(value ? value : ""));
}

JsonWriter& JsonWriter::AddInteger(const std::string& key, int64_t value) {
  return AddRaw(key, std::to_string(value));
}

JsonWriter& JsonWriter::Add(const std::string& key, double value) {
  if (!std::isfinite(value)) return AddRaw(key, "null");
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.10g", value);
  return AddRaw(key, buf);
}

JsonWriter& JsonWriter::Add(const std::string& key, bool value) {
  return AddRaw(key, value ? "true" : "false");
}

JsonWriter& JsonWriter::Add(const std::string& key, const JsonWriter& object) {
  return AddRaw(key, object.Str());
}

JsonWriter& JsonWriter::Add(const std::string& key, const std::vector<JsonWriter>& array) {
  std::string json = "[";
  for (size_t i = 0; i < array.size(); ++i) {
    if (i) json += ",";
    json += array[i].Str();
  }
  return AddRaw(key, json + "]");
}

JsonWriter& JsonWriter::Add(const std::string& key, const std::vector<std::string>& array) {
  std::string json = "[";
  for (size_t i = 0; i < array.size(); ++i) json += (i ? "," : "") + Quote(array[i]);
  return AddRaw(key, json + "]");
}

JsonWriter& JsonWriter::Add(const std::string& key, const std::vector<int>& array) {
  std::string json = "[";
  for (size_t i = 0; i < array.size(); ++i) json += (i ? "," : "") + std::to_string(array[i]);
  return AddRaw(key, json + "]");
}

JsonWriter& JsonWriter::AddWord(const std::string& key, uint16_t value) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%.4X", value);
  AddInteger(key, value);
  return AddRaw(key + "Hex", Quote(hex));
}

JsonWriter& JsonWriter::Append(const JsonWriter& other) {
  members_.insert(members_.end(), other.members_.begin(), other.members_.end());
  return *this;
}

std::string JsonWriter::Str() const {
  std::string out = "{";
  for (size_t i = 0; i < members_.size(); ++i) {
    if (i) out += ",";
    out += Quote(members_[i].first) + ":" + members_[i].second;
  }
  return out + "}";
}

}  // namespace zel::cli
