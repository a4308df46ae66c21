#include "link/ZelCommunication.h"

#include <cstdio>
#include <utility>

#include "link/PosixSerialChannel.h"

namespace zel::link {

namespace {

std::string Banner() {
  char text[64];
  std::snprintf(text, sizeof text, "ZelCommunication Version %.2f",
                static_cast<double>(ZelCommunication::kVersion));
  return text;
}

}  // namespace

ZelCommunication::ZelCommunication() : ZelCommunication(PosixSerialChannel::Opener()) {}

ZelCommunication::ZelCommunication(ChannelOpener opener)
    : fixedDevice_(PosixSerialChannel::FixedPathOf(opener)),
      versionBanner_(Banner()),
      link_(opener),
      status_(&link_, &definitions_),
      service_(&link_, &definitions_),
      parameter_(&link_, &definitions_),
      drive_(&link_, &definitions_),
      measurement_(&link_, &definitions_),
      recorder_(&link_, &definitions_),
      can_(&link_, &definitions_),
      bootPort_(std::move(opener)) {
  Wire();
}

ZelCommunication::~ZelCommunication() {
  if (bootLoaderMode_) bootPort_.Close();
  if (link_.IsOpen()) link_.Close();
}

void ZelCommunication::Wire() {
  status_.SetParameterGroup(&parameter_);
  parameter_.SetServiceGroup(&service_);
  parameter_.SetStatusGroup(&status_);
  drive_.SetMeasurementGroup(&measurement_);
  measurement_.SetParameterGroup(&parameter_);
  recorder_.SetStatusGroup(&status_);
  recorder_.SetParameterGroup(&parameter_);
}

void ZelCommunication::SetShowFlags(bool show) {
  status_.SetShowFlag(show);
  service_.SetShowFlag(show);
  parameter_.SetShowFlag(show);
  drive_.SetShowFlag(show);
  measurement_.SetShowFlag(show);
  recorder_.SetShowFlag(show);
  can_.SetShowFlag(show);
}

bool ZelCommunication::OpenLink(const CommSettings& settings) {
  if (bootLoaderMode_) {
    // The boot loader's settings are dropped here on purpose: only an orderly return
    // (LeaveBootLoaderMode) takes them over.
    bootPort_.Close();
    bootLoaderMode_ = false;
  }
  settings_ = settings;
  return link_.Open(settings_);
}

bool ZelCommunication::ReopenLink() {
  const CommSettings stored = settings_;
  return OpenLink(stored);
}

BootPort& ZelCommunication::EnterBootLoaderMode() {
  if (!bootLoaderMode_) {
    if (link_.IsOpen()) link_.Close();
    bootPort_.Open(settings_.portName, settings_.baudRate, settings_.timeoutMs);
    bootLoaderMode_ = true;
  }
  return bootPort_;
}

bool ZelCommunication::LeaveBootLoaderMode() {
  if (!bootLoaderMode_) return true;
  const BootPort& port = bootPort_;
  settings_.portName = port.PortName();
  settings_.baudRate = port.BaudRate();
  settings_.timeoutMs = port.Timeout();
  bootPort_.Close();
  if (link_.IsOpen()) link_.Close();
  bootLoaderMode_ = false;
  link_.Open(settings_);
  // Opened twice, as the tool always has: the first open after the boot loader may meet a line
  // that is still settling.
  return ReopenLink();
}

}  // namespace zel::link
