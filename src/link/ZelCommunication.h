#pragma once

#include <string>

#include "link/BootPort.h"
#include "link/ByteChannel.h"
#include "link/CanGateway.h"
#include "link/CommSettings.h"
#include "link/DriveGroup.h"
#include "link/MeasurementGroup.h"
#include "link/ParameterGroup.h"
#include "link/RecorderGroup.h"
#include "link/SerialLink.h"
#include "link/ServiceGroup.h"
#include "link/StatusGroup.h"
#include "parameters/CParameterTable.h"

namespace zel::link {

// The communication stack: one per main window (or per command-line run). It owns the serial
// settings, the link, the parameter definitions, every command group and the boot loader link,
// and switches the serial line between the device link and the boot loader.
//
// Building it opens nothing; the owner opens the link with OpenLink or ReopenLink. Destruction
// closes the port (after the polling monitor has stopped: the groups must not be in use).
//
// Thread rules: the groups' command functions may run on any thread. Opening, re-opening, the
// boot loader mode and the settings belong to the user-interface thread (and the communication
// search while it runs); ClaimLink/ReleaseLink are called by the thread that wants the line.
class ZelCommunication {
 public:
  // The stack's own version, shown in the banner.
  static constexpr float kVersion = 1.001f;

  // The POSIX serial ports.
  ZelCommunication();
  // Any opener: tests hand in a scripted line, the command-line tool a device path.
  explicit ZelCommunication(ChannelOpener opener);
  ~ZelCommunication();
  ZelCommunication(const ZelCommunication&) = delete;
  ZelCommunication& operator=(const ZelCommunication&) = delete;

  // Leaves boot loader mode without copying its port settings back, stores settings and opens
  // the link with them. True when the port opened.
  bool OpenLink(const CommSettings& settings);
  // OpenLink with the stored settings.
  bool ReopenLink();

  // Hands the serial line to the boot loader link: closes the device link and opens the boot
  // port with the stored port name, baud rate and time-out. Does nothing when already in boot
  // loader mode. Check IsOpen() of the port for the outcome.
  BootPort& EnterBootLoaderMode();
  // Takes the line back: the boot port's port name, baud rate and time-out become the stored
  // settings, the boot port closes and the device link opens with them. True when the link
  // opened (or when not in boot loader mode).
  bool LeaveBootLoaderMode();
  bool InBootLoaderMode() const { return bootLoaderMode_; }

  // The calling thread becomes the only one allowed on the line / lifts the claim.
  void ClaimLink() { link_.Claim(); }
  void ReleaseLink() { link_.Release(); }

  // Turns the outcome messages and confirmations of every group on or off.
  void SetShowFlags(bool show);

  // The device every port name opens when the stack was built for one path (--device); "" when
  // the port names go through the port map.
  const std::string& FixedDevice() const { return fixedDevice_; }

  CommSettings& Settings() { return settings_; }
  const CommSettings& Settings() const { return settings_; }
  parameters::CParameterTable& Definitions() { return definitions_; }
  const std::string& VersionBanner() const { return versionBanner_; }
  SerialLink& Link() { return link_; }
  StatusGroup& Status() { return status_; }
  ServiceGroup& Service() { return service_; }
  ParameterGroup& Parameter() { return parameter_; }
  DriveGroup& Drive() { return drive_; }
  MeasurementGroup& Measurement() { return measurement_; }
  RecorderGroup& Recorder() { return recorder_; }
  CanGateway& Can() { return can_; }
  // The port the boot loader talks through while the link is in boot loader mode.
  BootPort& Boot() { return bootPort_; }

 private:
  void Wire();

  std::string fixedDevice_;
  CommSettings settings_;
  parameters::CParameterTable definitions_;
  std::string versionBanner_;
  SerialLink link_;
  StatusGroup status_;
  ServiceGroup service_;
  ParameterGroup parameter_;
  DriveGroup drive_;
  MeasurementGroup measurement_;
  RecorderGroup recorder_;
  CanGateway can_;
  BootPort bootPort_;
  bool bootLoaderMode_ = false;
};

}  // namespace zel::link
