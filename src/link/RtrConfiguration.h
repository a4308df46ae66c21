#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/RtrEntry.h"

namespace zel::link {

class CanGateway;

// The RTR set-up of one module: both channels' identifiers, active flags and parameter lists,
// read from the module, edited within each channel's budget and stored back in one sequence.
//
// A channel sends at most 4 words on a request, so its list holds at most 4 entries and 4
// words, an LWord entry counting 2. Lifetime: one per dialog or command; UI thread.
class RtrConfiguration {
 public:
  static constexpr int kChannels = 2;
  static constexpr int kMaxEntries = 4;
  static constexpr int kMaxWords = 4;
  static constexpr int16_t kRtr0Id = 39;
  static constexpr int16_t kRtr1Id = 40;
  static constexpr int16_t kCanConfig = 41;
  static constexpr uint16_t kChannel0Active = 0x1000;
  static constexpr uint16_t kChannel1Active = 0x2000;

  struct Channel {
    uint16_t id = 0;
    bool active = false;
    std::vector<RtrEntry> entries;
  };

  explicit RtrConfiguration(CanGateway& gateway) : gateway_(gateway) {}

  // Reads the module's version, identifiers, CAN_Config and both lists (index 0..3, channel 0
  // before channel 1 at each index). False at the first failed read.
  bool Read(uint16_t destination);
  uint16_t Destination() const { return destination_; }
  uint16_t SoftwareVersion() const { return softwareVersion_; }

  Channel& At(int channel) { return channels_[channel & 1]; }
  const Channel& At(int channel) const { return channels_[channel & 1]; }
  int WordsUsed(int channel) const;
  // Whether the add dialog may open for the channel: false (with the refusal shown) when it is
  // already full.
  bool MayAdd(int channel) const;
  // Adds the entry unless it would pass the channel's four words (refusal shown, false).
  bool Add(const RtrEntry& entry);
  // Removes a row; false and "No item selected" when row is none of the list's.
  bool Remove(int channel, int row);
  void Clear(int channel) { At(channel).entries.clear(); }

  // Writes the configuration: both channels off, the identifiers, both lists emptied, every
  // entry added, then each channel with entries switched to its active flag. From the
  // identifiers on a failed step ends the sequence; the result is that of the last step run.
  bool Store();

  static std::string FullText(int channel);

 private:
  CanGateway& gateway_;
  uint16_t destination_ = 0;
  uint16_t softwareVersion_ = 0;
  std::array<Channel, kChannels> channels_{};
};

}  // namespace zel::link
