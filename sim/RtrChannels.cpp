#include "sim/RtrChannels.h"

namespace zel::sim {

bool RtrChannels::Add(uint16_t paramSel, uint16_t param) {
  std::vector<Entry>& list = lists_[paramSel & 1];
  int words = 0;
  for (const Entry& entry : list) words += (entry.paramSel & 0x100) != 0 ? 2 : 1;
  const int needed = (paramSel & 0x100) != 0 ? 2 : 1;
  if (static_cast<int>(list.size()) >= kMaxEntries || words + needed > kMaxWords) return false;
  list.push_back({paramSel, param});
  return true;
}

bool RtrChannels::Get(int channel, int index, Entry& entry) const {
  const std::vector<Entry>& list = lists_[channel & 1];
  if (index < 0 || index >= static_cast<int>(list.size())) return false;
  entry = list[static_cast<std::size_t>(index)];
  return true;
}

}  // namespace zel::sim
