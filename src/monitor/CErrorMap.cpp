#include "monitor/CErrorMap.h"

#include "firmware/PackageDate.h"
#include "parameters/CIniReader.h"
#include "parameters/NumberText.h"

namespace zel::monitor {

using parameters::CIniReader;
using parameters::NumberText;
using parameters::NumberTextError;

namespace {

// The trailing decimal digits of a section name; false when there are none or they do not fit.
bool TrailingNumber(const std::string& name, long& number) {
  std::size_t start = name.size();
  while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
  if (start == name.size()) return false;
  std::uint32_t value = 0;
  if (NumberText::ParseUInt32(std::string_view(name).substr(start), value) !=
      NumberTextError::kNone)
    return false;
  number = static_cast<long>(value);
  return true;
}

bool ReadEntry(const CIniReader& reader, int type, CErrorMapEntry& entry) {
  std::string value, date;
  if (!reader.ReadKey("Name", entry.name)) return false;
  if (type == CErrorMap::kTypeNumber) {
    if (!reader.ReadKey("ErrorNumber", value) ||
        NumberText::ParseUInt32(value, entry.errorNumber) != NumberTextError::kNone)
      return false;
  } else {
    if (!reader.ReadKey("ErrorBit", value) ||
        NumberText::ParseUInt16(value, entry.errorBit) != NumberTextError::kNone)
      return false;
  }
  if (!reader.ReadKey("Meaning", entry.meaning) || !reader.ReadKey("CausedBy", entry.causedBy) ||
      !reader.ReadKey("Effect", entry.effect) || !reader.ReadKey("Remark", entry.remark) ||
      !reader.ReadKey("CrossReference", entry.crossReference) || !reader.ReadKey("Date", date) ||
      !firmware::PackageDate::Parse(date, entry.date) || !reader.ReadKey("Visum", entry.visum))
    return false;
  entry.type = type;
  return true;
}

}  // namespace

bool CErrorMap::Parse(std::span<const std::uint8_t> text, CErrorMap& map) {
  CIniReader reader(text);
  CErrorMap read;
  std::string bits, type;
  std::int32_t typeValue = 0;
  if (!reader.FindSection("Header") || !reader.ReadKey("Name", read.name_) ||
      !reader.ReadKey("Meaning", read.meaning_) || !reader.ReadKey("NbOfBits", bits) ||
      !reader.ReadKey("Type", type) ||
      NumberText::ParseUInt16(bits, read.numberOfBits_) != NumberTextError::kNone ||
      NumberText::ParseInt32(type, typeValue) != NumberTextError::kNone)
    return false;
  read.type_ = typeValue;
  reader.Rewind();
  std::string first;
  long number = 0;
  if (!reader.FindSection("Error*", first) || !TrailingNumber(first, number)) return false;
  // Section numbers are at most 32 bits, so the walk ends at the latest when they run out.
  for (; number <= 0xFFFFFFFFL; ++number) {
    CErrorMapEntry entry;
    if (!reader.FindSection("Error" + std::to_string(number)) ||
        !ReadEntry(reader, read.type_, entry))
      break;
    read.entries_.push_back(std::move(entry));
  }
  map = std::move(read);
  return true;
}

std::optional<CErrorMapEntry> CErrorMap::Lookup(std::uint32_t code) const {
  for (const CErrorMapEntry& entry : entries_) {
    const bool match =
        type_ == kTypeNumber ? entry.errorNumber == code : (entry.errorBit % 256u) == code;
    if (match) return entry;
  }
  return std::nullopt;
}

}  // namespace zel::monitor
