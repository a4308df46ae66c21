#include "recorder/RdaFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "files/AtomicFileWriter.h"

namespace zel::recorder {

namespace {

// A recording from the ZEL is a few kilobytes; a file this large is not one.
constexpr std::size_t kMaxFileBytes = 64u * 1024 * 1024;

void WriteValue(files::ArchiveWriter& archive, const SampleValue& value) {
  archive.WriteUInt16(value.type);
  if (!value.HasNumber()) return;
  switch (value.type) {
    case variant::kInt16:
      archive.WriteInt16(static_cast<std::int16_t>(value.number));
      break;
    case variant::kBoolean:
      archive.WriteInt16(value.number != 0 ? -1 : 0);
      break;
    case variant::kInt32:
    case variant::kErrorCode:
      archive.WriteInt32(static_cast<std::int32_t>(value.number));
      break;
    case variant::kFloat:
      archive.WriteFloat(static_cast<float>(value.number));
      break;
    case variant::kDouble:
    case variant::kDate:
      archive.WriteDouble(value.number);
      break;
    case variant::kCurrency:
      archive.WriteInt64(std::llround(value.number * 10000.0));
      break;
    case variant::kUInt8:
      archive.WriteUInt8(static_cast<std::uint8_t>(value.number));
      break;
    case variant::kText:
      archive.WriteUInt32(static_cast<std::uint32_t>(value.text.size()));
      archive.WriteBytes(
          std::span(reinterpret_cast<const std::uint8_t*>(value.text.data()), value.text.size()));
      break;
    default:
      // Only the types read below are ever held.
      break;
  }
}

SampleValue ReadValue(files::ArchiveReader& archive) {
  SampleValue value;
  value.type = archive.ReadUInt16();
  if (!value.HasNumber()) return value;
  switch (value.type) {
    case variant::kInt16:
    case variant::kBoolean:
      value.number = archive.ReadInt16();
      break;
    case variant::kInt32:
    case variant::kErrorCode:
      value.number = archive.ReadInt32();
      break;
    case variant::kFloat:
      value.number = archive.ReadFloat();
      break;
    case variant::kDouble:
    case variant::kDate:
      value.number = archive.ReadDouble();
      break;
    case variant::kCurrency:
      value.number = static_cast<double>(archive.ReadInt64()) / 10000.0;
      break;
    case variant::kUInt8:
      value.number = archive.ReadUInt8();
      break;
    case variant::kText: {
      const std::uint32_t length = archive.ReadUInt32();
      std::vector<std::uint8_t> bytes = archive.ReadBytes(length);
      value.text.assign(bytes.begin(), bytes.end());
      // A text that reads as a number plots as that number, as a variant conversion would.
      char* end = nullptr;
      const double number = std::strtod(value.text.c_str(), &end);
      value.number = end != value.text.c_str() && std::isfinite(number) ? number : 0.0;
      break;
    }
    default:
      // Embedded objects (9, 13) and unknown codes: the framework cannot read on.
      throw files::ArchiveError("unsupported value type " + std::to_string(value.type));
  }
  return value;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// The rows merged from the channels' samples in time order, handed to sink in pieces: the
// output grows with the rows times the channels, so it is never held whole, nor a table of
// that size. Channels whose samples are out of time order are read through a sorted index;
// samples of one channel at the same time give one cell, the last that holds a number.
bool WriteCsv(const RecordedData& data, const std::function<bool(std::string_view)>& sink) {
  constexpr std::size_t kPiece = 64 * 1024;
  std::string piece = "Time [s]";
  for (const Channel& channel : data.channels) piece += "," + CsvField(channel.name);
  piece += "\r\n";
  const std::size_t count = data.channels.size();
  std::vector<std::vector<std::uint32_t>> order(count);
  for (std::size_t c = 0; c < count; ++c) {
    const std::vector<Sample>& samples = data.channels[c].samples;
    order[c].resize(samples.size());
    for (std::size_t s = 0; s < samples.size(); ++s) order[c][s] = static_cast<std::uint32_t>(s);
    std::stable_sort(order[c].begin(), order[c].end(), [&](std::uint32_t a, std::uint32_t b) {
      return samples[a].time < samples[b].time;
    });
  }
  std::vector<std::size_t> next(count, 0);
  for (;;) {
    std::optional<std::int32_t> time;
    for (std::size_t c = 0; c < count; ++c) {
      if (next[c] == order[c].size()) continue;
      const std::int32_t t = data.channels[c].samples[order[c][next[c]]].time;
      if (!time || t < *time) time = t;
    }
    if (!time) break;
    piece += Format("%.6f", *time * 0.000001);
    for (std::size_t c = 0; c < count; ++c) {
      const std::vector<Sample>& samples = data.channels[c].samples;
      std::optional<double> value;
      for (; next[c] < order[c].size() && samples[order[c][next[c]]].time == *time; ++next[c]) {
        const SampleValue& sample = samples[order[c][next[c]]].value;
        if (sample.HasNumber()) value = sample.number;
      }
      piece += ',';
      if (value) piece += Format("%.9g", *value);
    }
    piece += "\r\n";
    if (piece.size() >= kPiece) {
      if (!sink(piece)) return false;
      piece.clear();
    }
  }
  return sink(piece);
}

}  // namespace

void RdaFile::WriteRecording(files::ArchiveWriter& archive, const RecordedData& data) {
  archive.WriteInt32(static_cast<std::int32_t>(data.channels.size()));
  for (const Channel& channel : data.channels) {
    archive.WriteUInt8(channel.number);
    archive.WriteInt32(channel.reserved);
    archive.WriteInt32(channel.period);
    archive.WriteString(channel.name);
    archive.WriteInt32(static_cast<std::int32_t>(channel.samples.size()));
    for (const Sample& sample : channel.samples) {
      archive.WriteInt32(sample.time);
      WriteValue(archive, sample.value);
    }
  }
}

void RdaFile::ReadRecording(files::ArchiveReader& archive, RecordedData& data) {
  RecordedData read;
  const std::int32_t channels = archive.ReadInt32();
  if (channels < 0) throw files::ArchiveError("negative channel count");
  // No reserve from the counts: each entry takes bytes, so a hostile count ends at the file's
  // end instead of in a huge allocation.
  for (std::int32_t c = 0; c < channels; ++c) {
    Channel channel;
    channel.number = archive.ReadUInt8();
    channel.reserved = archive.ReadInt32();
    channel.period = archive.ReadInt32();
    channel.name = archive.ReadString();
    channel.axis = 1;
    const std::int32_t samples = archive.ReadInt32();
    if (samples < 0) throw files::ArchiveError("negative sample count");
    for (std::int32_t s = 0; s < samples; ++s) {
      Sample sample;
      sample.time = archive.ReadInt32();
      sample.value = ReadValue(archive);
      channel.samples.push_back(std::move(sample));
    }
    read.channels.push_back(std::move(channel));
  }
  data = std::move(read);
}

bool RdaFile::SaveRda(const std::filesystem::path& path, const RecordedData& data,
                      std::string& errorText) {
  files::ArchiveWriter archive;
  archive.WriteString(kVersion);
  WriteRecording(archive, data);
  return files::AtomicFileWriter::Write(path, archive.Data(), errorText);
}

RdaFile::LoadResult RdaFile::LoadRda(const std::filesystem::path& path, RecordedData& data,
                                     std::string& errorText) {
  std::vector<std::uint8_t> bytes;
  if (!files::ArchiveReader::ReadFile(path, kMaxFileBytes, bytes, errorText))
    return LoadResult::kCannotOpen;
  return ParseRda(std::move(bytes), data, errorText);
}

RdaFile::LoadResult RdaFile::ParseRda(std::vector<std::uint8_t> bytes, RecordedData& data,
                                      std::string& errorText) {
  files::ArchiveReader archive(std::move(bytes));
  try {
    if (archive.ReadString() != kVersion) {
      errorText = kOldVersionText;
      return LoadResult::kOldVersion;
    }
    ReadRecording(archive, data);
  } catch (const files::ArchiveError& error) {
    errorText = std::string(kDamagedText) + "\n(" + error.what() + ")";
    return LoadResult::kDamaged;
  }
  return LoadResult::kOk;
}

int RdaFile::ExportedValue(double value) {
  if (std::isnan(value)) return 0;
  // nearbyint rounds in the default mode: to nearest, halves to the even neighbour.
  const double rounded = std::nearbyint(value);
  if (rounded > 32767.0) return 32767;
  if (rounded < -32768.0) return -32768;
  return static_cast<int>(rounded);
}

std::string RdaFile::ExportTextContent(const RecordedData& data) {
  if (data.channels.empty()) return {};
  const Channel& channel = data.channels.front();
  std::string text = "Number of Samples = " + std::to_string(channel.samples.size()) + "\t\n";
  text += "Time\t" + channel.name + "\t\n";
  for (const Sample& sample : channel.samples) {
    text += Format("%.6e", sample.time * 0.000001);
    text += '\t';
    text += std::to_string(ExportedValue(sample.value.number));
    text += "\t\r\n";
  }
  return text;
}

bool RdaFile::ExportText(const std::filesystem::path& path, const RecordedData& data,
                         std::string& errorText) {
  return files::AtomicFileWriter::Write(path, ExportTextContent(data), errorText);
}

std::string RdaFile::ExportCsvContent(const RecordedData& data) {
  std::string text;
  WriteCsv(data, [&text](std::string_view piece) {
    text += piece;
    return true;
  });
  return text;
}

bool RdaFile::ExportCsv(const std::filesystem::path& path, const RecordedData& data,
                        std::string& errorText) {
  return files::AtomicFileWriter::Write(
      path, [&data](const files::AtomicFileWriter::Sink& sink) { return WriteCsv(data, sink); },
      errorText);
}

}  // namespace zel::recorder
