#pragma once

#include "link/CommSettings.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::link {

// The serial settings record at the head of the communication stack's part of the settings file:
// baud rate (32-bit), port name, spare (16-bit), time-out (32-bit), transmit trials (32-bit).
// Read throws files::ArchiveError when the record is incomplete; settings is then unchanged.
void WriteCommSettings(files::ArchiveWriter& archive, const CommSettings& settings);
void ReadCommSettings(files::ArchiveReader& archive, CommSettings& settings);

}  // namespace zel::link
