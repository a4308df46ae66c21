#pragma once

#include <cstdint>
#include <vector>

#include "recorder/RecordedData.h"
#include "recorder/RecorderSetup.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::recorder {

// The recorder's part of the settings file: the graph's last value range and recording, the
// set-up, and a list and a final word that the recorder keeps without reading them.
struct RecorderSettings {
  struct ListEntry {
    std::int32_t first = 0;
    std::int32_t second = 0;
    std::int32_t third = 0;
    bool operator==(const ListEntry&) const = default;
  };

  float scaleMax = 0;
  float scaleMin = 0;
  RecordedData data;
  RecorderSetup setup;
  std::vector<ListEntry> list;
  std::uint16_t tail = 0;

  void Write(files::ArchiveWriter& archive) const;
  // Replaces this only when everything read; throws files::ArchiveError otherwise.
  void Read(files::ArchiveReader& archive);
};

}  // namespace zel::recorder
