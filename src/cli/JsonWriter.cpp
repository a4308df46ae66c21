#include "cli/JsonWriter.h"

#include <cmath>
#include <cstdio>

namespace zel::cli {
namespace {

// Device and file texts are 8-bit (Latin-1); the library wants UTF-8, so each byte becomes the
// code point of the same number, and the output escapes it as \u00XX.
std::string Utf8FromLatin1(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

JsonWriter& JsonWriter::Set(const std::string& key, nlohmann::ordered_json value) {
  // A key given twice keeps its first place and takes the later value, as a JSON reader would.
  object_[Utf8FromLatin1(key)] = std::move(value);
  return *this;
}

JsonWriter& JsonWriter::Add(const std::string& key, const std::string& value) {
  return Set(key, Utf8FromLatin1(value));
}

JsonWriter& JsonWriter::Add(const std::string& key, const char* value) {
  return Add(key, std::string(value ? value : ""));
}

JsonWriter& JsonWriter::AddInteger(const std::string& key, int64_t value) {
  return Set(key, value);
}

JsonWriter& JsonWriter::Add(const std::string& key, double value) {
  if (!std::isfinite(value)) return Set(key, nullptr);
  return Set(key, value);
}

JsonWriter& JsonWriter::Add(const std::string& key, bool value) {
  return Set(key, value);
}

JsonWriter& JsonWriter::Add(const std::string& key, const JsonWriter& object) {
  return Set(key, object.object_);
}

JsonWriter& JsonWriter::Add(const std::string& key, const std::vector<JsonWriter>& array) {
  auto json = nlohmann::ordered_json::array();
  for (const JsonWriter& element : array) json.push_back(element.object_);
  return Set(key, std::move(json));
}

JsonWriter& JsonWriter::Add(const std::string& key, const std::vector<std::string>& array) {
  auto json = nlohmann::ordered_json::array();
  for (const std::string& element : array) json.push_back(Utf8FromLatin1(element));
  return Set(key, std::move(json));
}

JsonWriter& JsonWriter::Add(const std::string& key, const std::vector<int>& array) {
  return Set(key, array);
}

JsonWriter& JsonWriter::AddWord(const std::string& key, uint16_t value) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%.4X", value);
  AddInteger(key, value);
  return Set(key + "Hex", std::string(hex));
}

JsonWriter& JsonWriter::Append(const JsonWriter& other) {
  for (const auto& [key, value] : other.object_.items()) object_[key] = value;
  return *this;
}

std::string JsonWriter::Str() const {
  // ASCII only: every reader takes it, whatever locale the script runs in.
  return object_.dump(-1, ' ', true);
}

}  // namespace zel::cli
