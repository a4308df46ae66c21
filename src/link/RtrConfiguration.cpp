#include "link/RtrConfiguration.h"

#include "link/CanGateway.h"
#include "ui/Host.h"

namespace zel::link {

namespace {
constexpr const char* kFullChannel0 = "You can only add 4 Words!\nPlease delete a parameter!";
constexpr const char* kFullChannel1 = "You can only add 4 Words!";
}  // namespace

std::string RtrConfiguration::FullText(int channel) {
  return channel == 0 ? kFullChannel0 : kFullChannel1;
}

bool RtrConfiguration::Read(uint16_t destination) {
  destination_ = destination;
  uint16_t hardware = 0;
  if (!gateway_.ReadModuleVersion(destination, softwareVersion_, hardware)) return false;
  uint32_t value = 0;
  if (!gateway_.ReadModuleTempParam(destination, kRtr0Id, 0, value)) return false;
  channels_[0].id = static_cast<uint16_t>(value);
  if (!gateway_.ReadModuleTempParam(destination, kRtr1Id, 0, value)) return false;
  channels_[1].id = static_cast<uint16_t>(value);
  if (!gateway_.ReadModuleTempParam(destination, kCanConfig, 0, value)) return false;
  channels_[0].active = (value & kChannel0Active) != 0;
  channels_[1].active = (value & kChannel1Active) != 0;
  for (Channel& channel : channels_) channel.entries.clear();
  for (uint16_t index = 0; index < kMaxEntries; ++index) {
    for (uint16_t channel = 0; channel < kChannels; ++channel) {
      uint16_t state = 0;
      RtrEntry entry;
      if (!gateway_.ReadModuleRtrEntry(destination, channel, index, state, entry)) return false;
      if (state == RtrEntry::kPresent) channels_[channel].entries.push_back(entry);
    }
  }
  return true;
}

int RtrConfiguration::WordsUsed(int channel) const {
  int words = 0;
  for (const RtrEntry& entry : At(channel).entries) words += entry.Words();
  return words;
}

bool RtrConfiguration::MayAdd(int channel) const {
  if (static_cast<int>(At(channel).entries.size()) < kMaxEntries &&
      WordsUsed(channel) < kMaxWords) {
    return true;
  }
  ui::CurrentHost().ShowMessage(FullText(channel));
  return false;
}

bool RtrConfiguration::Add(const RtrEntry& entry) {
  const int channel = entry.Channel();
  if (static_cast<int>(At(channel).entries.size()) >= kMaxEntries ||
      WordsUsed(channel) + entry.Words() > kMaxWords) {
    // Whichever channel: the entry was chosen, so the user is told what to do about it.
    ui::CurrentHost().ShowMessage(kFullChannel0);
    return false;
  }
  At(channel).entries.push_back(entry);
  return true;
}

bool RtrConfiguration::Remove(int channel, int row) {
  std::vector<RtrEntry>& entries = At(channel).entries;
  if (row < 0 || row >= static_cast<int>(entries.size())) {
    ui::CurrentHost().ShowMessage("No item selected");
    return false;
  }
  entries.erase(entries.begin() + row);
  return true;
}

bool RtrConfiguration::Store() {
  const uint16_t d = destination_;
  // Both channels go quiet first; a module that misses this still gets the rest.
  gateway_.ConfigModuleRtr(d, 0, CanGateway::kRtrOff);
  gateway_.ConfigModuleRtr(d, 1, CanGateway::kRtrOff);
  bool ok = gateway_.SetModuleRtrId(d, 0, channels_[0].id);
  ok = ok && gateway_.SetModuleRtrId(d, 1, channels_[1].id);
  ok = ok && gateway_.ConfigModuleRtr(d, 0, CanGateway::kRtrClear);
  ok = ok && gateway_.ConfigModuleRtr(d, 1, CanGateway::kRtrClear);
  for (const Channel& channel : channels_) {
    for (const RtrEntry& entry : channel.entries) {
      uint16_t answer = 0;
      ok = ok && gateway_.AddModuleRtrEntry(d, entry, answer);
    }
  }
  for (uint16_t channel = 0; channel < kChannels; ++channel) {
    if (channels_[channel].entries.empty()) continue;
    const uint16_t action = channels_[channel].active ? CanGateway::kRtrOn : CanGateway::kRtrOff;
    ok = ok && gateway_.ConfigModuleRtr(d, channel, action);
  }
  return ok;
}

}  // namespace zel::link
