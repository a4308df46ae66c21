#pragma once

#include <optional>
#include <string>

namespace zel::parameters {

class ParameterDevice;

// Owns one suspension of a drive's enabling (SysConfig bit 12 forced on, the drive disabled by
// command) for the length of a sequence that writes parameters. Whatever ends the sequence (a
// failed exchange, Stop, a signal turned into Stop, an early return) the drive is put back:
// explicitly with Resume, whose result the caller reports, or by the destructor as a last resort.
// A suspension that failed half-way is undone at once, since its SysConfig write may have
// reached the drive. User-interface thread.
class EnableSuspension {
 public:
  explicit EnableSuspension(ParameterDevice& device) : device_(device) {}
  ~EnableSuspension();
  EnableSuspension(const EnableSuspension&) = delete;
  EnableSuspension& operator=(const EnableSuspension&) = delete;

  // Disables the drive (with "The ZEL will be disabled!" when warn and it was enabled). False
  // when it could not; LeftWith() then says what the drive holds if the undo failed too.
  bool Suspend(bool warn);
  // Puts the enable source and state back (asking before the drive is enabled again when ask),
  // with softwareEnabling as the source when given. True when nothing is held. False when the
  // restore failed: LeftWith() names what the drive is left with.
  bool Resume(bool ask, std::optional<bool> softwareEnabling = std::nullopt);

  bool Held() const;
  // Empty, or the sentence that says what the drive was left with after a failed restore.
  const std::string& LeftWith() const { return leftWith_; }

 private:
  void DescribeLeftState();

  ParameterDevice& device_;
  std::string leftWith_;
};

}  // namespace zel::parameters
