#include "cli/PortDiagnosis.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "link/ResultCodes.h"

namespace zel::cli {

namespace {

using Problem = PortFacts::Problem;

std::string GroupName(gid_t gid) {
  if (const group* g = getgrgid(gid); g != nullptr) return g->gr_name;
  return std::to_string(gid);
}

// The first other process with the device open, from /proc; "" when none is visible (another
// user's processes are hidden from a normal account).
std::string FindHolder(dev_t device) {
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return "";
  std::string holder;
  while (dirent* entry = readdir(proc)) {
    const std::string pid = entry->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string fdDir = "/proc/" + pid + "/fd";
    DIR* fds = opendir(fdDir.c_str());
    if (fds == nullptr) continue;
    while (dirent* fd = readdir(fds)) {
      struct stat st {};
      if (fd->d_name[0] == '.' || stat((fdDir + "/" + fd->d_name).c_str(), &st) != 0) continue;
      if (S_ISCHR(st.st_mode) && st.st_rdev == device) {
        std::string name;
        std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
        holder = name + " (pid " + pid + ")";
        break;
      }
    }
    closedir(fds);
    if (!holder.empty()) break;
  }
  closedir(proc);
  return holder;
}

}  // namespace

PortFacts PortDiagnosis::Examine(const std::string& path) {
  PortFacts facts;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    facts.osError = errno;
    if (errno == ENOENT || errno == ENOTDIR) facts.problem = Problem::kAbsent;
    return facts;
  }
  if (access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    facts.problem = Problem::kPermission;
    facts.group = GroupName(st.st_gid);
    return facts;
  }
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    facts.osError = errno;
    // EBUSY is the exclusive mode (TIOCEXCL) another program set.
    if (errno == EBUSY) facts.problem = Problem::kBusy;
    if (errno == EACCES) {
      facts.problem = Problem::kPermission;
      facts.group = GroupName(st.st_gid);
    }
  } else {
    if (!isatty(fd))
      facts.problem = Problem::kNotSerial;
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)
      facts.problem = Problem::kBusy;
    close(fd);
  }
  if (facts.problem == Problem::kBusy && S_ISCHR(st.st_mode)) facts.holder = FindHolder(st.st_rdev);
  return facts;
}

LinkFailure PortDiagnosis::Explain(const std::string& path, const PortFacts& facts, uint8_t code,
                                   int32_t baud) {
  const std::string head = "Cannot open the serial port " + path + ": ";
  switch (facts.problem) {
    case Problem::kAbsent:
      return {"absent", head +
                            "it does not exist. Is the adapter plugged in? `zelctl ports` lists "
                            "the serial devices present."};
    case Problem::kPermission:
      return {"permission", head + "permission denied. The device belongs to the group '" +
                                facts.group + "'; join it with `sudo usermod -aG " + facts.group +
                                " $USER`, then log out and in again."};
    case Problem::kBusy:
      return {"busy", head + "it is held by another program" +
                          (facts.holder.empty() ? "" : ", " + facts.holder) +
                          ". Close that program and try again."};
    case Problem::kNotSerial:
      return {"notSerial", head + "it is not a serial device."};
    case Problem::kNone:
      break;
  }
  if (code == link::result::kConfigFailed || code == link::result::kGetSettingsFailed)
    return {"config", head + "the device does not take " + std::to_string(baud) + " bit/s."};
  return {"open", head +
                      (facts.osError != 0 ? std::strerror(facts.osError)
                                          : std::string("the system refused it")) +
                      "."};
}

}  // namespace zel::cli
