#include "sim/AddressMemory.h"

#include "sim/ParameterStore.h"
#include "sim/WordHalves.h"

namespace zel::sim {
namespace {

// Reply words of SetAddrVariable, the same as Service's.
constexpr uint16_t kWritten = 0x004F;
constexpr uint16_t kNotWritten = 0x0046;

// Where the firmware keeps its variables: reading or writing one of these addresses reaches
// the parameter or status value itself. Every other address is plain RAM.
struct AddressAlias {
  uint16_t address;
  int number;
  int half;  // 0 whole 16-bit value, 1 low word, 2 high word of a 32-bit value
};

constexpr AddressAlias kAliases[] = {
    {0x006E, 138, 0}, {0x0300, 0, 0},   {0x0301, 1, 0},   {0x0302, 7, 0},   {0x0303, 8, 0},
    {0x0304, 9, 0},   {0x0305, 5, 0},   {0x0306, 6, 0},   {0x0307, 17, 0},  {0x030A, 10, 0},
    {0x030B, 14, 0},  {0x030C, 15, 0},  {0x030F, 2, 0},   {0x0310, 3, 0},   {0x0312, 27, 0},
    {0x0314, 28, 0},  {0x0316, 29, 0},  {0x0317, 21, 0},  {0x031E, 24, 0},  {0x0320, 4, 0},
    {0x0321, 16, 0},  {0x0323, 25, 0},  {0x0325, 26, 0},  {0x0326, 11, 0},  {0x0327, 13, 0},
    {0x0328, 12, 0},  {0x0329, 18, 0},  {0x032B, 23, 0},  {0x032C, 19, 0},  {0x032E, 20, 0},
    {0x0332, 41, 0},  {0x0333, 30, 0},  {0x0334, 32, 0},  {0x0335, 37, 0},  {0x0336, 39, 0},
    {0x0337, 40, 0},  {0x0338, 33, 0},  {0x0339, 38, 0},  {0x033A, 34, 0},  {0x033B, 35, 0},
    {0x0397, 129, 0}, {0x0399, 130, 0}, {0x03A3, 131, 0}, {0x03A4, 132, 0}, {0x03A9, 128, 0},
    {0x03AA, 137, 0}, {0x03AE, 133, 0}, {0x03AF, 140, 0}, {0x03B0, 134, 0}, {0x03B6, 135, 1},
    {0x03B7, 135, 2}, {0x03B8, 136, 1}, {0x03B9, 136, 2}, {0x03C6, 139, 0},
};

const AddressAlias* FindAlias(uint16_t address) {
  for (const AddressAlias& alias : kAliases) {
    if (alias.address == address) return &alias;
  }
  return nullptr;
}

}  // namespace

CommandResult AddressMemory::SetAddrVariable(std::span<const uint16_t> words, bool inServiceMode) {
  if (words.size() < 3 || words[1] > 1 || (words[1] == 1 && words.size() < 4)) {
    return CommandResult::Rejected();
  }
  // Outside service mode the exchange itself succeeds; the answer word says the value was not set.
  if (!inServiceMode) return CommandResult::Reply({kNotWritten});
  uint16_t address = words[0];
  bool written = false;
  if (words[1] == 0) {
    written = WriteAddress(address, words[2]);
  } else {
    const AddressAlias* alias = FindAlias(address);
    if (alias != nullptr && alias->half == 1) {
      written = values_.WriteValue(alias->number, JoinWords(words[2], words[3]));
    } else {
      written = WriteAddress(address, words[2]);
      written = WriteAddress(static_cast<uint16_t>(address + 1), words[3]) && written;
    }
  }
  return CommandResult::Reply({written ? kWritten : kNotWritten});
}

CommandResult AddressMemory::ReadAddrVariable(std::span<const uint16_t> words) const {
  // Reading is open at any time, so the tool can show a variable before the user decides to
  // change it; only the write needs service mode.
  if (words.size() < 2 || words[1] > 1) return CommandResult::Rejected();
  uint16_t low = 0;
  ReadAddress(words[0], low);
  if (words[1] == 0) return CommandResult::Reply({low});
  // A 32-bit variable lies low word first in memory and travels high word first, like every
  // 32-bit value the device replies with.
  uint16_t high = 0;
  ReadAddress(static_cast<uint16_t>(words[0] + 1), high);
  return CommandResult::Reply({high, low});
}

bool AddressMemory::ReadAddress(uint16_t address, uint16_t& word) const {
  const AddressAlias* alias = FindAlias(address);
  if (alias == nullptr) {
    auto it = ram_.find(address);
    word = it == ram_.end() ? 0 : it->second;
    return true;
  }
  int32_t value = 0;
  if (!values_.ReadValue(alias->number, value)) return false;
  word = alias->half == 2 ? HighWord(value) : LowWord(value);
  return true;
}

bool AddressMemory::WriteAddress(uint16_t address, uint16_t word) {
  const AddressAlias* alias = FindAlias(address);
  if (alias == nullptr) {
    ram_[address] = word;
    return true;
  }
  if (alias->half == 0) {
    return values_.WriteValue(alias->number, ParameterStore::AsValue(alias->number, word));
  }
  int32_t value = 0;
  if (!values_.ReadValue(alias->number, value)) return false;
  value = alias->half == 1 ? JoinWords(word, HighWord(value)) : JoinWords(LowWord(value), word);
  return values_.WriteValue(alias->number, value);
}

}  // namespace zel::sim
