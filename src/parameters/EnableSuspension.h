#pragma once

#include <optional>
#include <string>

namespace zel::parameters {

class ParameterDevice;

// Owns one suspension of a drive's enabling (SysConfig bit 12 forced on, the drive disabled by
// command) for the length of a sequence that writes parameters. Whatever ends the sequence (a
// failed exchange, Stop, a signal turned into Stop, an early return) the drive is put back:
// explicitly with Resume, whose result the caller reports, or by the destructor as a last resort
// when Resume was never called.
// A suspension that failed half-way is undone at once, since its SysConfig write may have
// reached the drive. User-interface thread.
class EnableSuspension {
 public:
  // Said after a failed sequence whose restore went through.
  static constexpr const char* kPutBack = "The drive's enable source and state were put back.";

  explicit EnableSuspension(ParameterDevice& device) : device_(device) {}
  ~EnableSuspension();
  EnableSuspension(const EnableSuspension&) = delete;
  EnableSuspension& operator=(const EnableSuspension&) = delete;

  // Disables the drive (with "The ZEL will be disabled!" when warn and it was enabled). False
  // when it could not; LeftWith() then says what the drive holds if the undo failed too.
  bool Suspend(bool warn);
  // Puts the enable source and state back (asking before the drive is enabled again when ask),
  // with softwareEnabling as the source when given. True when nothing is held. A restore whose
  // exchange failed is tried once more, since one lost answer must not leave a drive disabled.
  // False when it still failed: LeftWith() names what the drive is left with.
  bool Resume(bool ask, std::optional<bool> softwareEnabling = std::nullopt);

  bool Held() const;
  // Empty, or the sentence that says what the drive was left with after a failed restore.
  const std::string& LeftWith() const { return leftWith_; }
  // The drive's state in one sentence after Resume: kPutBack, or LeftWith().
  std::string DriveState() const { return leftWith_.empty() ? kPutBack : leftWith_; }

 private:
  void DescribeLeftState();

  ParameterDevice& device_;
  std::string leftWith_;
  bool resumeTried_ = false;
};

}  // namespace zel::parameters
