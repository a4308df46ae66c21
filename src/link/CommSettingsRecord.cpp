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
  settings = read;
}

}  // namespace zel::link
