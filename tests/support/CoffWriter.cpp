#include "support/CoffWriter.h"

#include <fstream>

namespace zel::test {

namespace {

constexpr std::size_t kFileHeaderSize = 22;
constexpr std::size_t kOptionalHeaderSize = 28;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint16_t kTargetId = 0x0092;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> CoffWriter::Build() const {
  const std::size_t optional = optionalHeader_ ? kOptionalHeaderSize : 0;
  const std::size_t headers = kFileHeaderSize + optional + kSectionHeaderSize * sections_.size();
  std::size_t total = headers;
  for (const CoffSection& section : sections_) total += section.words.size() * 2;
  std::vector<std::uint8_t> out(total, 0);

  Put16(out, 0, versionId_);
  Put16(out, 2, static_cast<std::uint16_t>(sections_.size()));
  Put32(out, 4, timeStamp_);
  Put32(out, 8, 0);   // no symbol table
  Put32(out, 12, 0);  // no symbols
  Put16(out, 16, static_cast<std::uint16_t>(optional));
  Put16(out, 18, 0);
  Put16(out, 20, kTargetId);
  if (optionalHeader_) Put16(out, kFileHeaderSize, 0x0108);  // a magic for the optional header

  std::size_t header = kFileHeaderSize + optional;
  std::size_t data = headers;
  for (const CoffSection& section : sections_) {
    for (std::size_t i = 0; i < 8 && i < section.name.size(); ++i)
      out[header + i] = static_cast<std::uint8_t>(section.name[i]);
    Put32(out, header + 8, section.loadAddress);  // physical address: the same
    Put32(out, header + 12, section.loadAddress);
    Put32(out, header + 16, static_cast<std::uint32_t>(section.words.size()));
    Put32(out, header + 20, section.words.empty() ? 0 : static_cast<std::uint32_t>(data));
    out[header + 39] = section.page;
    for (std::uint16_t word : section.words) {
      Put16(out, data, word);
      data += 2;
    }
    header += kSectionHeaderSize;
  }
  return out;
}

bool CoffWriter::WriteFile(const std::filesystem::path& path) const {
  const std::vector<std::uint8_t> bytes = Build();
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

std::vector<std::uint16_t> CoffWriter::PatternWords(const std::string& name, std::size_t count) {
  std::uint32_t state = 2166136261u;
  for (char c : name) state = (state ^ static_cast<std::uint8_t>(c)) * 16777619u;
  std::vector<std::uint16_t> words(count);
  for (std::uint16_t& word : words) {
    state = state * 1664525u + 1013904223u;
    word = static_cast<std::uint16_t>(state >> 16);
  }
  // The first four words spell the name, two characters a word, low byte first, zero padded:
  // programs that have to be told apart on the far side of the line carry it like an entry tag.
  for (std::size_t i = 0; i < 4 && i < count; ++i) {
    const auto at = [&](std::size_t k) -> std::uint16_t {
      return k < name.size() ? static_cast<std::uint8_t>(name[k]) : 0;
    };
    words[i] = static_cast<std::uint16_t>(at(2 * i) | (at(2 * i + 1) << 8));
  }
  return words;
}

}  // namespace zel::test
