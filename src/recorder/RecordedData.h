#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::recorder {

// OLE variant type codes a recorded-data file may carry for a sample value.
namespace variant {
inline constexpr std::uint16_t kEmpty = 0;
inline constexpr std::uint16_t kNull = 1;
inline constexpr std::uint16_t kInt16 = 2;
inline constexpr std::uint16_t kInt32 = 3;
inline constexpr std::uint16_t kFloat = 4;
inline constexpr std::uint16_t kDouble = 5;
inline constexpr std::uint16_t kCurrency = 6;
inline constexpr std::uint16_t kDate = 7;
inline constexpr std::uint16_t kText = 8;
inline constexpr std::uint16_t kErrorCode = 10;
inline constexpr std::uint16_t kBoolean = 11;
inline constexpr std::uint16_t kUInt8 = 17;
// An array or a reference: the file holds no value for it.
inline constexpr std::uint16_t kArrayFlag = 0x2000;
inline constexpr std::uint16_t kReferenceFlag = 0x4000;
}  // namespace variant

// A sample's value as the variant it was stored as. The number is what the graph and the
// exports use; a text value keeps its text so it is written back unchanged. A currency value is
// held as its amount (the file stores ten thousandths).
struct SampleValue {
  std::uint16_t type = variant::kFloat;
  double number = 0;
  std::string text;

  static SampleValue Float(float value) { return {variant::kFloat, value, {}}; }
  // Whether the value carries a number at all (not empty, null, an array or a reference).
  bool HasNumber() const;
};

struct Sample {
  std::int32_t time = 0;  // µs from the start of the recording
  SampleValue value;
};

struct Channel {
  std::uint8_t number = 1;
  std::int32_t reserved = 0;  // kept and copied, never interpreted
  std::int32_t period = 1;    // µs between two samples
  std::string name;
  std::uint8_t axis = 1;  // 1 left, 2 right value axis; not stored in files
  std::vector<Sample> samples;
};

// One recording: channels of time-stamped samples, and what the next channel built from an
// upload starts with.
struct RecordedData {
  std::vector<Channel> channels;

  // Defaults for a channel built from uploaded words.
  static constexpr std::uint8_t kDefaultNumber = 1;
  static constexpr std::uint8_t kDefaultAxis = 1;
  static constexpr const char* kDefaultName = "Channel1";
  static constexpr std::int32_t kDefaultPeriod = 1;
  static constexpr int kDefaultValueType = 0;

  bool Empty() const;
  std::size_t SampleCount() const;
  void Clear() { channels.clear(); }
  // The channel with that number, or null.
  Channel* Find(std::uint8_t number);
};

}  // namespace zel::recorder
