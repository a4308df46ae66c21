#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "monitor/CErrorMapEntry.h"

namespace zel::monitor {

// The texts of one error word, read from an error map file of a firmware package. A map
// identifies its entries either by bit number (type 0) or by error number (type 1).
//
// File: a "Header" section with "Name", "Meaning", "NbOfBits" and "Type", then numbered
// sections "Error%i" counting up from the number of the first "Error*" section. Every key of an
// entry is required; the first incomplete or missing section ends the list.
class CErrorMap {
 public:
  static constexpr int kTypeBit = 0;
  static constexpr int kTypeNumber = 1;

  // False when the header is incomplete or no "Error*" section with a trailing number exists;
  // map is untouched then.
  static bool Parse(std::span<const std::uint8_t> text, CErrorMap& map);

  // Type 1: the entry whose error number equals code. Otherwise the entry whose error bit,
  // modulo 256, equals code (the files number bits above the byte for some words, and only the
  // bit within the byte counts). The first match in file order wins.
  std::optional<CErrorMapEntry> Lookup(std::uint32_t code) const;

  const std::string& Name() const { return name_; }
  const std::string& Meaning() const { return meaning_; }
  std::uint16_t NumberOfBits() const { return numberOfBits_; }
  int Type() const { return type_; }
  const std::vector<CErrorMapEntry>& Entries() const { return entries_; }

 private:
  std::string name_;
  std::string meaning_;
  std::uint16_t numberOfBits_ = 0;
  int type_ = kTypeBit;
  std::vector<CErrorMapEntry> entries_;
};

}  // namespace zel::monitor
