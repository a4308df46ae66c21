#include "link/AdapterLatency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <set>
#include <utility>

#include "link/SerialDeviceTree.h"

namespace zel::link {

namespace {

std::mutex mutex;
std::set<std::string> warned;  // the nodes already warned about in this run
std::string pending;

void RequestLowLatency(int fd) {
  serial_struct serial{};
  if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) return;
  if ((serial.flags & ASYNC_LOW_LATENCY) != 0) return;
  serial.flags |= ASYNC_LOW_LATENCY;
  // Refused by drivers that do not know the flag; the sysfs timer below is the other way.
  ::ioctl(fd, TIOCSSERIAL, &serial);
}

// Whether the file's mode lets this account write it. Root's override is not taken: a timer whose
// mode forbids writing is one the system offers for reading only, and stays alone under root too.
bool ModeGrantsWrite(const std::string& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return false;
  if (st.st_uid == ::geteuid()) return (st.st_mode & S_IWUSR) != 0;
  gid_t groups[256];
  const int count = ::getgroups(256, groups);
  bool member = st.st_gid == ::getegid();
  for (int i = 0; i < count && !member; ++i) member = groups[i] == st.st_gid;
  return (st.st_mode & (member ? S_IWGRP : S_IWOTH)) != 0;
}

}  // namespace

void AdapterLatency::Lower(int fd, const std::string& path) {
  RequestLowLatency(fd);
  SerialDeviceInfo device = SerialDeviceTree::Describe(path);
  if (device.latencyMs <= 1) return;
  if (ModeGrantsWrite(device.latencyFile)) {
    std::ofstream out(device.latencyFile);
    out << "1\n";
  }
  device = SerialDeviceTree::Describe(path);
  if (device.latencyMs <= 1) return;
  std::lock_guard lock(mutex);
  if (!warned.insert(device.node).second) return;
  if (!pending.empty()) pending += '\n';
  pending += "The latency timer of " + device.node +
             (device.driver.empty() ? "" : " (" + device.driver + ")") + " is " +
             std::to_string(device.latencyMs) +
             " ms and could not be set to 1 ms, which slows every exchange with the ZEL. Install "
             "the udev rule 60-zel-serial.rules, or run `echo 1 | sudo tee " +
             device.latencyFile + "`.";
}

std::string AdapterLatency::TakeWarning() {
  std::lock_guard lock(mutex);
  return std::exchange(pending, {});
}

}  // namespace zel::link
