#include "recorder/RecorderSettings.h"

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "recorder/RdaFile.h"

namespace zel::recorder {

void RecorderSettings::Write(files::ArchiveWriter& archive) const {
  archive.WriteFloat(scaleMax);
  archive.WriteFloat(scaleMin);
  RdaFile::WriteRecording(archive, data);
  archive.WriteUInt16(setup.samplePeriod);
  archive.WriteUInt16(setup.variable);
  archive.WriteInt32(setup.mode);
  archive.WriteInt32(setup.signedFormat);
  archive.WriteUInt16(static_cast<std::uint16_t>(list.size()));
  for (const ListEntry& entry : list) {
    archive.WriteUInt16(0);
    archive.WriteInt32(entry.first);
    archive.WriteInt32(entry.second);
    archive.WriteInt32(entry.third);
  }
  archive.WriteUInt16(tail);
}

void RecorderSettings::Read(files::ArchiveReader& archive) {
  RecorderSettings read;
  read.scaleMax = archive.ReadFloat();
  read.scaleMin = archive.ReadFloat();
  RdaFile::ReadRecording(archive, read.data);
  read.setup.samplePeriod = archive.ReadUInt16();
  read.setup.variable = archive.ReadUInt16();
  read.setup.mode = archive.ReadInt32();
  read.setup.signedFormat = archive.ReadInt32();
  const std::uint16_t count = archive.ReadUInt16();
  for (std::uint16_t i = 0; i < count; ++i) {
    archive.ReadUInt16();  // always 0, not read back
    ListEntry entry;
    entry.first = archive.ReadInt32();
    entry.second = archive.ReadInt32();
    entry.third = archive.ReadInt32();
    read.list.push_back(entry);
  }
  read.tail = archive.ReadUInt16();
  *this = std::move(read);
}

}  // namespace zel::recorder
