#include "recorder/RecordedData.h"

namespace zel::recorder {

bool SampleValue::HasNumber() const {
  if ((type & (variant::kArrayFlag | variant::kReferenceFlag)) != 0) return false;
  return type != variant::kEmpty && type != variant::kNull;
}

bool RecordedData::Empty() const {
  return SampleCount() == 0;
}

std::size_t RecordedData::SampleCount() const {
  std::size_t count = 0;
  for (const Channel& channel : channels) count += channel.samples.size();
  return count;
}

Channel* RecordedData::Find(std::uint8_t number) {
  for (Channel& channel : channels)
    if (channel.number == number) return &channel;
  return nullptr;
}

}  // namespace zel::recorder
