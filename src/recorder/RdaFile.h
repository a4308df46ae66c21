#pragma once

#include <filesystem>
#include <string>

#include "recorder/RecordedData.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::recorder {

// The recorded-data file ".rda": the version text, then the recording in the framework's
// serialisation (channel count, and per channel number, reserved value, period, name and its
// time-stamped variant samples). The same recording without the version text is part of the
// settings file, which calls WriteRecording and ReadRecording itself.
//
// Every write goes through the atomic writer. Any thread, one call at a time per recording.
class RdaFile {
 public:
  static constexpr const char* kVersion = "rdaFileVersion_1.00";
  static constexpr const char* kFilter = "RecordedData Files (*.rda)|*.rda|";
  static constexpr const char* kTextFilter = "ASCII Files (*.txt)|*.txt|";
  static constexpr const char* kOldVersionText = "File Version is too old!";
  static constexpr const char* kDamagedText =
      "The file is damaged or incomplete!\nThe recording shown is kept.";

  enum class LoadResult { kOk, kCannotOpen, kOldVersion, kDamaged };

  // The recording without the version text. Reading replaces data only when the whole recording
  // reads; otherwise it throws files::ArchiveError and data is as it was.
  static void WriteRecording(files::ArchiveWriter& archive, const RecordedData& data);
  static void ReadRecording(files::ArchiveReader& archive, RecordedData& data);

  // True when path now holds the recording; errorText says why not.
  static bool SaveRda(const std::filesystem::path& path, const RecordedData& data,
                      std::string& errorText);
  // Replaces data only with kOk; errorText says what was wrong otherwise (for kOldVersion the
  // box text above, for kDamaged what was found).
  static LoadResult LoadRda(const std::filesystem::path& path, RecordedData& data,
                            std::string& errorText);
  // The same from bytes already read (the fuzz target and the settings file).
  static LoadResult ParseRda(std::vector<std::uint8_t> bytes, RecordedData& data,
                             std::string& errorText);

  // The text export of the first channel: two header lines ending in LF, then per sample the
  // time in seconds ("%.6e") and the value as a 16-bit integer, each followed by a TAB, and
  // CR LF. No channel: an empty file.
  static std::string ExportTextContent(const RecordedData& data);
  static bool ExportText(const std::filesystem::path& path, const RecordedData& data,
                         std::string& errorText);

  // Every channel in columns: "Time [s]" and one column per channel name, one row per time at
  // which any channel has a sample (an empty cell where a channel has none). CR LF line ends.
  static std::string ExportCsvContent(const RecordedData& data);
  static bool ExportCsv(const std::filesystem::path& path, const RecordedData& data,
                        std::string& errorText);

  // The value as the text export writes it: rounded to the nearest integer, halves to the even
  // neighbour, and held to the 16-bit range (a value beyond it is written as the nearest end).
  static int ExportedValue(double value);
};

}  // namespace zel::recorder
