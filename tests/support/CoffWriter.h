#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zel::test {

// One section of a TI COFF program file: a name of at most eight characters, a load address and
// a size in 16-bit words, a memory page (0 program, 1 data) and the words themselves.
struct CoffSection {
  std::string name;
  std::uint32_t loadAddress = 0;
  std::uint8_t page = 0;
  std::vector<std::uint16_t> words;
};

// Writes TI COFF program files as the boot link reads them: a 22-byte file header (version ID,
// section count, time stamp, optional header size), an optional 28-byte header, 40-byte section
// headers and the raw data of each section, all little-endian. No symbols, no relocations.
// Used by the tests and, through zelcoff, to make the images of the sample package.
class CoffWriter {
 public:
  static constexpr std::uint16_t kVersionId = 0x00C1;

  void SetVersionId(std::uint16_t versionId) { versionId_ = versionId; }
  void SetTimeStamp(std::uint32_t timeStamp) { timeStamp_ = timeStamp; }
  void SetOptionalHeader(bool present) { optionalHeader_ = present; }
  void AddSection(CoffSection section) { sections_.push_back(std::move(section)); }

  std::vector<std::uint8_t> Build() const;
  bool WriteFile(const std::filesystem::path& path) const;

  // Reproducible words for a section that only has to be recognisable, derived from its name;
  // the first four spell the name.
  static std::vector<std::uint16_t> PatternWords(const std::string& name, std::size_t count);

 private:
  std::uint16_t versionId_ = kVersionId;
  std::uint32_t timeStamp_ = 0;
  bool optionalHeader_ = false;
  std::vector<CoffSection> sections_;
};

}  // namespace zel::test
