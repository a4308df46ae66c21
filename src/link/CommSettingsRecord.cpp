#include "link/CommSettingsRecord.h"

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"

namespace zel::link {

void WriteCommSettings(files::ArchiveWriter& archive, const CommSettings& settings) {
  archive.WriteInt32(settings.baudRate);
  archive.WriteString(settings.portName);
  archive.WriteInt16(settings.spare);
  archive.WriteInt32(settings.timeoutMs);
  archive.WriteInt32(settings.transmitTrials);
}

void ReadCommSettings(files::ArchiveReader& archive, CommSettings& settings) {
  CommSettings read;
  read.baudRate = archive.ReadInt32();
  read.portName = archive.ReadString();
  read.spare = archive.ReadInt16();
  read.timeoutMs = archive.ReadInt32();
  read.transmitTrials = archive.ReadInt32();
  // A damaged record could otherwise stall every exchange for days, or never send at all.
  if (read.timeoutMs < 1 || read.timeoutMs > CommSettings::kMaxTimeoutMs ||
      read.transmitTrials < 1 || read.transmitTrials > CommSettings::kMaxTrials)
    throw files::ArchiveError("serial settings out of range");
  settings = read;
}

}  // namespace zel::link
