#include "files/AtomicFileWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace zel::files {

namespace {

std::string SystemError(const std::string& what, const std::filesystem::path& path, int error) {
  return what + " '" + path.string() + "': " + std::strerror(error);
}

// Opens a temporary file next to target that no one else uses; -1 with errno set on failure.
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
  static std::atomic<unsigned> counter{0};
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = folder / ("." + target.filename().string() + ".tmp" + std::to_string(::getpid()) +
                          "_" + std::to_string(counter++));
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
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

  std::filesystem::path temporary;
  const int fd = CreateTemporary(target, temporary);
  if (fd < 0) {
    errorText = SystemError("Cannot create a file in the folder of", target, errno);
    return false;
  }
  auto fail = [&](const char* what) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    errorText = SystemError(what, target, error);
    return false;
  };
  if (targetExists && S_ISREG(existing.st_mode) && ::fchmod(fd, existing.st_mode & 07777) != 0) {
    return fail("Cannot set the permissions of");
  }
  if (!WriteAll(fd, bytes.data(), bytes.size())) return fail("Cannot write");
  if (::fsync(fd) != 0) return fail("Cannot flush");
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    errorText = SystemError("Cannot close", target, error);
    return false;
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    errorText = SystemError("Cannot replace", target, error);
    return false;
  }
  // Make the rename itself durable; the data is already safe, so a failure here is not reported.
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
