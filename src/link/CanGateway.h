#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "link/CommandGroup.h"
#include "link/RtrEntry.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::link {

// The gateway commands (opcodes 56 to 77) that the ZEL on the serial line executes itself, and
// the carriers through which device commands reach the modules behind it on the CAN bus.
//
// A module command is the device command's own opcode carried by SendCANmsg (no answer) or by
// GetRemoteData (one to three answer words). A module that is absent, or that listens at another
// bit rate, never answers: GetRemoteData then fails like any exchange without a reply.
//
// Thread rules: the command functions run on any thread (the CAN wizard's search uses them); the
// destination dialog and the remembered dialog values belong to the user-interface thread.
class CanGateway : public CommandGroup {
 public:
  static constexpr uint8_t kSendNmt = 56;
  static constexpr uint8_t kSetModuleId = 57;
  static constexpr uint8_t kSetServiceId = 58;
  static constexpr uint8_t kSetTpdoId = 59;
  static constexpr uint8_t kSetRpdoId = 60;
  static constexpr uint8_t kSendCanMsg = 61;
  static constexpr uint8_t kReadModuleId = 62;
  static constexpr uint8_t kSetBcr1 = 63;
  static constexpr uint8_t kSetBcr2 = 64;
  static constexpr uint8_t kSetCanMode = 65;
  static constexpr uint8_t kSendRtr = 66;
  static constexpr uint8_t kReadCanError = 67;
  static constexpr uint8_t kGetRemoteData = 68;
  static constexpr uint8_t kSetPdo = 69;
  static constexpr uint8_t kSetRtrId = 70;
  static constexpr uint8_t kConfigRtr = 71;
  static constexpr uint8_t kAddRtrParameter = 74;
  static constexpr uint8_t kGetRtrParameter = 75;
  static constexpr uint8_t kResetCanError = 76;
  static constexpr uint8_t kResetCan = 77;

  // Answer words of AddRTRParameter.
  static constexpr uint16_t kEntryAdded = 79;  // 'O'
  static constexpr uint16_t kBufferFull = 70;  // 'F'
  // ConfigRTR actions.
  static constexpr uint16_t kRtrOff = 0;
  static constexpr uint16_t kRtrOn = 1;
  static constexpr uint16_t kRtrClear = 2;

  // From this software version on the gateway knows the new CAN command set.
  static constexpr uint16_t kNewCommandSet = 0x1040;

  static constexpr int kMaxCarriedWords = 3;
  static constexpr int kMaxRemoteParameters = 2;
  static constexpr int kMaxRemoteResults = 3;
  // Tries of a module's temporary parameter read before it is given as 0.
  static constexpr int kTempParamTries = 5;

  CanGateway(SerialLink* link, parameters::CParameterTable* definitions);

  // The connected ZEL's software version, which selects the command variants; 0 until read.
  uint16_t SoftwareVersion() const { return softwareVersion_.load(); }
  void SetSoftwareVersion(uint16_t version) { softwareVersion_.store(version); }
  bool NewCommandSet() const { return SoftwareVersion() >= kNewCommandSet; }

  uint16_t CurrentModuleId() const { return currentModuleId_.load(); }
  uint16_t LastDestination() const { return lastDestination_.load(); }
  void SetLastDestination(uint16_t destination) { lastDestination_.store(destination); }

  // Gateway commands.
  bool SendNMT();
  // Success makes id the current module ID.
  bool SetModuleID(uint16_t moduleId);
  bool SetServiceID(uint16_t serviceId);
  // From 0x1040 the transmit identifier is the module's own business: nothing is sent.
  bool SetTPDOID(uint16_t tpdoId);
  bool SetRPDOID(uint16_t rpdoId);
  bool SendCANmsg(uint16_t canId, uint16_t dataA, uint16_t dataB, uint16_t dataC, uint16_t dataD);
  // Success makes the answer the current module ID; with the show flag set the caller shows it.
  bool ReadModuleID(uint16_t& moduleId);
  bool SetCanBCR1(uint16_t bcr1);
  bool SetBCR1BCR2(uint16_t bcr1, uint16_t bcr2);
  bool SetCanBCR2(uint16_t bcr2);
  bool SetCanMode(uint16_t canMode);
  bool SendRTR();
  // The gateway's CAN error word (status value 138); firmware up to 0x1000 does not know it.
  bool ReadCANError(uint16_t& canError);
  // Destination word, a zero byte, the opcode byte, at most two parameter words; the answer
  // fills one to three words. Counts outside those bounds are cut; no result fails unsent.
  bool GetRemoteData(uint16_t destination, uint8_t opcode, std::span<const uint16_t> params,
                     std::span<uint16_t> results);
  bool SetRTR0ID(uint16_t channel, uint16_t id);
  bool ConfigRTR(uint16_t channel, uint16_t action);
  // The link reads no reply for opcode 74, so answered stays false over the serial line; the
  // outcome messages apply only to an answer obtained.
  bool AddRTRParameter(const RtrEntry& entry, uint16_t& answer, bool& answered);
  bool ResetCANError();
  bool ResetCAN();

  // Carriers to the module with the given ID.
  bool sendToModule(uint16_t destination, uint8_t opcode, std::span<const uint16_t> words);
  bool readFromModule(uint16_t destination, uint8_t opcode, std::span<const uint16_t> params,
                      std::span<uint16_t> results);

  // Module forms of the CAN configuration commands.
  bool ReadModuleIdOf(uint16_t destination, uint16_t& moduleId);
  bool SetModuleRPDOID(uint16_t destination, uint16_t id);
  bool SetModuleTPDOID(uint16_t destination, uint16_t id);
  bool SetModulePdo(uint16_t destination, bool on);
  bool SetModuleRtrId(uint16_t destination, uint16_t channel, uint16_t id);
  bool ConfigModuleRtr(uint16_t destination, uint16_t channel, uint16_t action);
  bool SetModuleBitRate(uint16_t destination, uint16_t bcr1, uint16_t bcr2);
  bool AddModuleRtrEntry(uint16_t destination, const RtrEntry& entry, uint16_t& answer);
  // state is kPresent for an entry that exists.
  bool ReadModuleRtrEntry(uint16_t destination, uint16_t channel, uint16_t index, uint16_t& state,
                          RtrEntry& entry);
  bool ResetModuleCanError(uint16_t destination);
  bool ResetModuleCan(uint16_t destination);
  bool ReadModuleVersion(uint16_t destination, uint16_t& softwareVersion,
                         uint16_t& hardwareVersion);

  // A module's temporary parameter, width 0 (16 bit) or 1 (32 bit, high word first). Up to five
  // tries; when all fail the value is 0 and the read still counts as done, so that a sheet of
  // parameters can still be shown from a module that drops answers. With 38 or more system
  // definitions loaded, parameters 22 and 36 are given as 0 without asking the module.
  bool ReadModuleTempParam(uint16_t destination, int16_t number, uint16_t width, uint32_t& value);

  // The destination of a module command: destination itself unless it is 0, else the
  // "CanBus Destination" dialog proposing the last destination. False when cancelled. A
  // confirmed dialog value becomes the last destination.
  bool ObtainDestination(uint16_t& destination);

  // Value and format a Set dialog opened with last time, per opcode (UI thread only).
  struct Remembered {
    std::array<uint16_t, 5> values{};
    bool hexadecimal = true;
  };
  Remembered& RememberedFor(uint8_t opcode) { return remembered_[opcode & 0x7F]; }

  // The last destination and the remembered values' record in the settings file. Read replaces them
  // only when the whole record was read; it throws files::ArchiveError otherwise.
  void WriteInputs(files::ArchiveWriter& archive) const;
  void ReadInputs(files::ArchiveReader& archive);

 private:
  bool SendWord(uint8_t opcode, uint16_t word);
  bool SendWords(uint8_t opcode, std::span<const uint16_t> words);

  std::atomic<uint16_t> softwareVersion_{0};
  std::atomic<uint16_t> currentModuleId_{0};
  std::atomic<uint16_t> lastDestination_{1};
  std::array<Remembered, 128> remembered_{};
};

}  // namespace zel::link
