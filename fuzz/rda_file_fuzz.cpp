// Reads arbitrary bytes as a ".rda" recorded-data file. A file that reads must write and read
// again to the same recording, and both exports must be producible; a refused file must leave
// the recording untouched. Anything escaping, a crash or an unbounded allocation is a finding.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "recorder/RdaFile.h"

namespace {

bool Same(const zel::recorder::RecordedData& a, const zel::recorder::RecordedData& b) {
  if (a.channels.size() != b.channels.size()) return false;
  for (std::size_t c = 0; c < a.channels.size(); ++c) {
    const auto& x = a.channels[c];
    const auto& y = b.channels[c];
    if (x.number != y.number || x.reserved != y.reserved || x.period != y.period ||
        x.name != y.name || x.samples.size() != y.samples.size())
      return false;
    for (std::size_t s = 0; s < x.samples.size(); ++s) {
      const auto& p = x.samples[s];
      const auto& q = y.samples[s];
      if (p.time != q.time || p.value.type != q.value.type || p.value.text != q.value.text)
        return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using zel::recorder::RdaFile;
  zel::recorder::RecordedData recording;
  recording.channels.emplace_back().name = "untouched";
  std::string error;
  if (RdaFile::ParseRda(std::vector<std::uint8_t>(data, data + size), recording, error) !=
      RdaFile::LoadResult::kOk) {
    if (recording.channels.size() != 1 || recording.channels[0].name != "untouched")
      __builtin_trap();
    return 0;
  }
  zel::files::ArchiveWriter writer;
  writer.WriteString(RdaFile::kVersion);
  RdaFile::WriteRecording(writer, recording);
  zel::recorder::RecordedData again;
  if (RdaFile::ParseRda(writer.TakeData(), again, error) != RdaFile::LoadResult::kOk ||
      !Same(again, recording))
    __builtin_trap();
  RdaFile::ExportTextContent(recording);
  RdaFile::ExportCsvContent(recording);
  return 0;
}
