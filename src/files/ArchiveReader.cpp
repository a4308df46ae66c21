#include "files/ArchiveReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

namespace zel::files {

namespace {

constexpr std::uint8_t kByteEscape = 0xFF;
constexpr std::uint16_t kWideMarker = 0xFFFE;
constexpr std::uint16_t kWordEscape = 0xFFFF;
constexpr std::uint32_t kDwordEscape = 0xFFFFFFFF;

std::string SystemError(const std::string& what, const std::filesystem::path& path, int error) {
  return what + " '" + path.string() + "': " + std::strerror(error);
}

// Appends one character to 8-bit text the way the files' 8-bit code page showed 16-bit text.
void AppendNarrowed(std::string& text, std::uint32_t codePoint) {
  text.push_back(codePoint <= 0xFF ? static_cast<char>(codePoint) : '?');
}

}  // namespace

ArchiveReader::ArchiveReader(std::vector<std::uint8_t> data) : data_(std::move(data)) {}

std::uint8_t ArchiveReader::ReadUInt8() {
  return static_cast<std::uint8_t>(ReadLittleEndian(1));
}

std::int8_t ArchiveReader::ReadInt8() {
  return static_cast<std::int8_t>(ReadUInt8());
}

std::uint16_t ArchiveReader::ReadUInt16() {
  return static_cast<std::uint16_t>(ReadLittleEndian(2));
}

std::int16_t ArchiveReader::ReadInt16() {
  return static_cast<std::int16_t>(ReadUInt16());
}

std::uint32_t ArchiveReader::ReadUInt32() {
  return static_cast<std::uint32_t>(ReadLittleEndian(4));
}

std::int32_t ArchiveReader::ReadInt32() {
  return static_cast<std::int32_t>(ReadUInt32());
}

std::uint64_t ArchiveReader::ReadUInt64() {
  return ReadLittleEndian(8);
}

std::int64_t ArchiveReader::ReadInt64() {
  return static_cast<std::int64_t>(ReadUInt64());
}

float ArchiveReader::ReadFloat() {
  return std::bit_cast<float>(ReadUInt32());
}

double ArchiveReader::ReadDouble() {
  return std::bit_cast<double>(ReadUInt64());
}

std::string ArchiveReader::ReadString() {
  const std::size_t start = position_;
  try {
    bool wide = false;
    std::uint64_t length = ReadUInt8();
    if (length == kByteEscape) {
      std::uint16_t word = ReadUInt16();
      if (word == kWideMarker) {
        // The character width is announced once; the prefix then starts over at one byte.
        wide = true;
        length = ReadUInt8();
        if (length == kByteEscape) word = ReadUInt16();
      }
      if (length == kByteEscape) {
        length = word;
        if (word == kWordEscape) {
          length = ReadUInt32();
          if (length == kDwordEscape) length = ReadUInt64();
        }
      }
    }
    const std::uint64_t unitSize = wide ? 2 : 1;
    if (length > Remaining() / unitSize) {
      throw ArchiveError("string of " + std::to_string(length) + (wide ? " characters" : " bytes") +
                         " runs past the end of the file");
    }
    std::string text;
    if (!wide) {
      text.assign(reinterpret_cast<const char*>(data_.data() + position_),
                  static_cast<std::size_t>(length));
      position_ += static_cast<std::size_t>(length);
      return text;
    }
    text.reserve(static_cast<std::size_t>(length));
    for (std::uint64_t i = 0; i < length; ++i) {
      const std::uint16_t unit = ReadUInt16();
      const bool highSurrogate = unit >= 0xD800 && unit <= 0xDBFF;
      if (highSurrogate && i + 1 < length) {
        const std::uint16_t next =
            static_cast<std::uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
        if (next >= 0xDC00 && next <= 0xDFFF) {
          // One character outside the 16-bit plane: one "?" for the pair.
          position_ += 2;
          ++i;
          AppendNarrowed(text, 0x10000);
          continue;
        }
      }
      AppendNarrowed(text, unit);
    }
    return text;
  } catch (...) {
    position_ = start;
    throw;
  }
}

std::vector<std::uint8_t> ArchiveReader::ReadBytes(std::size_t count) {
  Require(count, "byte block");
  std::vector<std::uint8_t> bytes(data_.begin() + static_cast<std::ptrdiff_t>(position_),
                                  data_.begin() + static_cast<std::ptrdiff_t>(position_ + count));
  position_ += count;
  return bytes;
}

bool ArchiveReader::ReadFile(const std::filesystem::path& path, std::size_t maxBytes,
                             std::vector<std::uint8_t>& bytes, std::string& errorText) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    errorText = SystemError("Cannot open", path, errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    errorText = SystemError("Cannot examine", path, errno);
    ::close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    errorText = "'" + path.string() + "' is not a regular file";
    ::close(fd);
    return false;
  }
  if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
    errorText = "'" + path.string() + "' is larger than " + std::to_string(maxBytes) + " bytes";
    ::close(fd);
    return false;
  }
  // The file may grow while it is read; never take in more than the cap allows.
  std::vector<std::uint8_t> content(static_cast<std::size_t>(info.st_size));
  std::size_t filled = 0;
  for (;;) {
    if (filled == content.size()) {
      if (content.size() >= maxBytes) {
        std::uint8_t probe = 0;
        const ssize_t extra = ::read(fd, &probe, 1);
        if (extra < 0 && errno == EINTR) continue;
        if (extra > 0) {
          errorText =
              "'" + path.string() + "' is larger than " + std::to_string(maxBytes) + " bytes";
          ::close(fd);
          return false;
        }
        break;
      }
      content.resize(std::min(maxBytes, content.size() + 4096));
    }
    const ssize_t got = ::read(fd, content.data() + filled, content.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      errorText = SystemError("Cannot read", path, errno);
      ::close(fd);
      return false;
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  ::close(fd);
  content.resize(filled);
  bytes = std::move(content);
  return true;
}

void ArchiveReader::Require(std::uint64_t count, const char* what) const {
  if (count > Remaining()) {
    throw ArchiveError(std::string("file ends inside a ") + what + " at offset " +
                       std::to_string(position_));
  }
}

std::uint64_t ArchiveReader::ReadLittleEndian(std::size_t width) {
  Require(width, width == 1 ? "byte" : "number");
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value |= static_cast<std::uint64_t>(data_[position_ + i]) << (8 * i);
  }
  position_ += width;
  return value;
}

}  // namespace zel::files
