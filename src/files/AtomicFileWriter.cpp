#include "files/AtomicFileWriter.h"

#include "files/PendingTemporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

namespace zel::files {

namespace {

std::string SystemError(const std::string& what, const std::filesystem::path& path, int error) {
  return what + " '" + path.string() + "': " + std::strerror(error);
}

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

std::string TemporaryPrefix(const std::filesystem::path& target) {
  return "." + target.filename().string() + ".tmp";
}

// The PID in a temporary's name: prefix, PID, "_", counter and nothing else; 0 when name is not
// a temporary of that prefix.
pid_t TemporaryOwner(const std::string& name, const std::string& prefix) {
  if (name.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::string rest = name.substr(prefix.size());
  const std::size_t underscore = rest.find('_');
  if (underscore == 0 || underscore == std::string::npos || underscore > 9 ||
      underscore + 1 == rest.size())
    return 0;
  if (rest.find_first_not_of("0123456789") != underscore ||
      rest.find_first_not_of("0123456789", underscore + 1) != std::string::npos)
    return 0;
  return static_cast<pid_t>(std::stol(rest.substr(0, underscore)));
}

// Removes the temporaries of target that processes no longer alive left behind. A process that
// exists but is not ours to signal (EPERM) is alive; so is this one, whose other threads may be
// writing the same target.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
  const std::filesystem::path folder = FolderOf(target);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::string prefix = TemporaryPrefix(target);
  while (const dirent* entry = ::readdir(dir)) {
    const pid_t owner = TemporaryOwner(entry->d_name, prefix);
    if (owner <= 0 || owner == ::getpid()) continue;
    if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
    ::unlink((folder / entry->d_name).c_str());
  }
  ::closedir(dir);
}

// Opens a temporary file next to target that no one else uses; -1 with errno set on failure.
// O_EXCL refuses any existing name, a symbolic link planted there included. The name is
// registered before the file exists, so that a signal arriving at any moment after the file is
// created finds it; slot is -1 when the name could not be registered.
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary,
                    int& slot) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = FolderOf(target) / (TemporaryPrefix(target) + std::to_string(::getpid()) + "_" +
                                    std::to_string(counter++));
    slot = PendingTemporaries::Add(temporary.c_str());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return fd;
    const int error = errno;
    PendingTemporaries::Remove(slot);
    slot = -1;
    if (error != EEXIST) {
      errno = error;
      return -1;
    }
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

bool AtomicFileWriter::Write(const std::filesystem::path& target,
                             std::span<const std::uint8_t> bytes, std::string& errorText) {
  return Write(
      target,
      [bytes](const Sink& sink) {
        return sink(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      },
      errorText);
}

bool AtomicFileWriter::Write(const std::filesystem::path& target, const Producer& produce,
                             std::string& errorText) {
  if (target.empty() || !target.has_filename()) {
    errorText = "No file name given";
    return false;
  }
  struct stat existing {};
  const bool targetExists = ::lstat(target.c_str(), &existing) == 0;
  if (targetExists && S_ISDIR(existing.st_mode)) {
    errorText = "'" + target.string() + "' is a folder";
    return false;
  }

  RemoveStaleTemporaries(target);
  std::filesystem::path temporary;
  int slot = -1;
  const int fd = CreateTemporary(target, temporary, slot);
  if (fd < 0) {
    errorText = SystemError("Cannot create a file in the folder of", target, errno);
    return false;
  }
  // Removes the temporary file after a failure; fd is closed when still open.
  auto discard = [&](const char* what, int error, bool closeFd) {
    if (closeFd) ::close(fd);
    ::unlink(temporary.c_str());
    PendingTemporaries::Remove(slot);
    errorText = error != 0 ? SystemError(what, target, error)
                           : std::string(what) + " '" + target.string() + "'";
    return false;
  };
  if (targetExists && S_ISREG(existing.st_mode) && ::fchmod(fd, existing.st_mode & 07777) != 0)
    return discard("Cannot set the permissions of", errno, true);
  int writeError = 0;
  const Sink sink = [&](std::string_view piece) {
    if (writeError != 0) return false;
    if (WriteAll(fd, reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()))
      return true;
    writeError = errno;
    return false;
  };
  const bool produced = produce(sink);
  if (writeError != 0) return discard("Cannot write", writeError, true);
  if (!produced) return discard("Cannot produce the contents of", 0, true);
  // The data reaches the disk before the name does, so a power cut after the rename cannot
  // leave the target empty.
  if (::fsync(fd) != 0) return discard("Cannot flush", errno, true);
  if (::close(fd) != 0) return discard("Cannot close", errno, false);
  // rename replaces a symbolic link as target by the file; it never writes through it.
  if (::rename(temporary.c_str(), target.c_str()) != 0)
    return discard("Cannot replace", errno, false);
  PendingTemporaries::Remove(slot);
  // Make the rename itself durable; the data is already safe, so a failure here is not reported.
  const int dirFd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

bool AtomicFileWriter::Write(const std::filesystem::path& target, std::string_view text,
                             std::string& errorText) {
  return Write(target,
               std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                             text.size()),
               errorText);
}

}  // namespace zel::files
