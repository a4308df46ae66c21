#pragma once

#include <cstdint>
#include <string_view>

#include "link/CommandGroup.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::link {

// Data formats of an address variable as the "ReadAddrVariable" dialog offers them.
enum class AddrVariableFormat : uint8_t {
  kSigned16 = 0,
  kUnsigned16 = 1,
  kSigned32 = 2,
  kUnsigned32 = 3,
};

// What the address variable dialogs remember for their next opening.
struct AddrVariableInput {
  uint16_t address = 0;
  AddrVariableFormat format = AddrVariableFormat::kSigned16;
  uint32_t value = 0;
};

// The service commands (opcodes 16 to 18): the service password and the ZEL's variables by
// address. Address variables answer only while the ZEL is in service mode.
//
// An address variable of width 1 travels in the reply as two words, high word first, like every
// other 32-bit integer the ZEL sends; width 0 replies one word.
class ServiceGroup : public CommandGroup {
 public:
  static constexpr uint8_t kService = 16;
  static constexpr uint8_t kSetAddrVariable = 17;
  static constexpr uint8_t kReadAddrVariable = 18;

  static constexpr size_t kPasswordLength = 4;
  static constexpr uint16_t kPasswordAccepted = 0x004F;  // 'O'

  ServiceGroup(SerialLink* link, parameters::CParameterTable* definitions);

  // Sends the password, one byte per character in typed order. Anything but exactly four
  // characters is not sent and fails. answer is 0x004F when the ZEL accepted the password; a
  // wrong password is a successful exchange with another answer.
  // With the show flag: "The password is too short!" for fewer than four characters, then
  // "The password is correct!\nYou are in service mode now!", "The password is NOT correct!" or
  // "The communication failed!".
  bool Service(std::string_view password, uint16_t& answer);

  // Writes value (width 0: 16 bits, width 1: 32 bits, low word first) to the ZEL's variable at
  // address. answer's low byte is 'O' when the ZEL set it; a ZEL outside service mode refuses
  // without failing the exchange. With the show flag a refusal shows
  // "The parameter is NOT set!\nThe ZEL is not in service mode!".
  bool SetAddrVariable(uint16_t address, uint16_t width, uint32_t value, uint16_t& answer);
  static bool IsAccepted(uint16_t answer) { return (answer & 0xFF) == 'O'; }

  // Reads the variable at address: width 0 zero-extends one word into value, width 1 takes two
  // words, high word first.
  bool ReadAddrVariable(uint16_t address, uint16_t width, uint32_t& value);

  // Width code of a data format: 0 for the 16-bit formats, 1 for the 32-bit ones.
  static uint16_t WidthOf(AddrVariableFormat format) {
    return format == AddrVariableFormat::kSigned32 || format == AddrVariableFormat::kUnsigned32 ? 1
                                                                                                : 0;
  }

  const AddrVariableInput& LastAddrVariable() const { return lastAddrVariable_; }
  void SetLastAddrVariable(const AddrVariableInput& input) { lastAddrVariable_ = input; }

  // The remembered inputs' record in the settings file. Read replaces them only when the whole
  // record was read; it throws files::ArchiveError otherwise.
  void WriteInputs(files::ArchiveWriter& archive) const;
  void ReadInputs(files::ArchiveReader& archive);

 private:
  AddrVariableInput lastAddrVariable_;
};

}  // namespace zel::link
