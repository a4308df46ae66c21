#pragma once

#include <cstdint>
#include <vector>

#include "ui/Window.h"

namespace zel::link {

// "GetRemoteData": a device command with answer to a module, chosen from the commands that have
// one, with up to two parameter words.
class CGetRemoteDataDlg : public ui::Window {
 public:
  static constexpr int kIdDestination = 1700;
  static constexpr int kIdOpCode = 1701;
  static constexpr int kIdParameter = 1702;
  static constexpr int kIdAdd = 1703;
  static constexpr int kIdDeleteAll = 1704;
  static constexpr int kIdParameters = 1705;

  struct Command {
    const char* name;
    uint8_t code;
  };
  static const std::vector<Command>& Commands();

  explicit CGetRemoteDataDlg(uint16_t destination);
  uint16_t Destination() const { return destination_; }
  uint8_t OpCode() const;
  const std::vector<uint16_t>& Parameters() const { return parameters_; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;

 private:
  void ShowParameters();

  uint16_t destination_;
  std::vector<uint16_t> parameters_;
};

}  // namespace zel::link
