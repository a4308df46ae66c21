#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "link/PosixSerialChannel.h"
#include "link/ResultCodes.h"
#include "link/SerialPort.h"
#include "support/DeviceTree.h"

namespace zel::link {
namespace {

namespace fs = std::filesystem;

// A pseudo-terminal standing in for a serial device: the test holds the master (the ZEL's end)
// and a slave descriptor, so the tool's settings survive its close, as on a real port.
class Pty {
 public:
  explicit Pty(const std::string& name) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    const char* slave = ptsname(master_);
    if (slave == nullptr) return;
    slave_ = open(slave, O_RDWR | O_NOCTTY);
    link_ = fs::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    std::error_code ignored;
    fs::remove(link_, ignored);
    fs::create_symlink(slave, link_, ignored);
  }
  ~Pty() {
    CloseMaster();
    if (slave_ >= 0) close(slave_);
    std::error_code ignored;
    fs::remove(link_, ignored);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool Ok() const { return master_ >= 0 && slave_ >= 0 && fs::is_symlink(link_); }
  std::string Path() const { return link_.string(); }
  int Master() const { return master_; }
  bool Exclusive() const {
    int flag = 0;
    return ioctl(slave_, TIOCGEXCL, &flag) == 0 && flag != 0;
  }

  // The ZEL's end goes away completely (cable pulled, simulator gone).
  void HangUp() {
    CloseMaster();
    if (slave_ >= 0) close(slave_);
    slave_ = -1;
  }
  termios Settings() const {
    termios settings{};
    tcgetattr(master_, &settings);
    return settings;
  }
  std::vector<uint8_t> Drain() const {
    std::vector<uint8_t> bytes(64);
    const ssize_t n = read(master_, bytes.data(), bytes.size());
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
  }

 private:
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  int master_ = -1;
  int slave_ = -1;
  fs::path link_;
};

// Points ZEL_COM<n> at a path for the test's duration.
class ScopedComVariable {
 public:
  ScopedComVariable(int number, const std::string& path)
      : name_("ZEL_COM" + std::to_string(number)) {
    setenv(name_.c_str(), path.c_str(), 1);
  }
  ~ScopedComVariable() { unsetenv(name_.c_str()); }

 private:
  std::string name_;
};

class SerialPortPtyTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pty_.Ok()); }

  Pty pty_{"zel-serial-test"};
  ScopedComVariable com3_{3, pty_.Path()};
};

TEST(PosixSerialNamesTest, PlaceholdersAreNoPortsAndTheVariableOverrides) {
  // Two ttyS nodes without a UART behind them: no port opens a device that is not there.
  test::DeviceTree tree;
  unsetenv("ZEL_COM1");
  unsetenv("ZEL_COM10");
  EXPECT_EQ(PosixSerialChannel::DevicePathFor("COM1"), "");
  EXPECT_EQ(PosixSerialChannel::DevicePathFor("COM10"), "");
  {
    ScopedComVariable com10(10, "/tmp/zel-tenth");
    EXPECT_EQ(PosixSerialChannel::DevicePathFor("COM10"), "/tmp/zel-tenth");
    EXPECT_EQ(PosixSerialChannel::DevicePathFor("COM1"), "");
  }
  for (const char* name : {"", "COM0", "COM11", "COM01", "Com1", "PORT3", "COM1x"}) {
    EXPECT_EQ(PosixSerialChannel::DevicePathFor(name), "") << name;
  }
}

TEST_F(SerialPortPtyTest, OpensRawAtTheGivenBaudAndCarriesBytesBothWays) {
  SerialPort port;
  ASSERT_EQ(port.Open(38400, "COM3", 100, 4), result::kOk);
  const termios settings = pty_.Settings();
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B38400));
  EXPECT_EQ(cfgetispeed(&settings), static_cast<speed_t>(B38400));
  EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(settings.c_oflag & OPOST, 0u);

  // 0x0D, 0x11 and 0x13 would be translated or swallowed by a cooked or XON/XOFF line.
  const std::vector<uint8_t> out{0x0D, 0x0A, 0x11, 0x13, 0x00, 0xFF};
  ASSERT_EQ(port.WriteBytes(out.data(), static_cast<int>(out.size())), result::kOk);
  EXPECT_EQ(pty_.Drain(), out);
  const std::vector<uint8_t> in{0x13, 0x0D};
  ASSERT_EQ(write(pty_.Master(), in.data(), in.size()), 2);
  uint8_t byte = 0;
  ASSERT_EQ(port.ReadByte(&byte, 1000), result::kOk);
  EXPECT_EQ(byte, 0x13);
  ASSERT_EQ(port.ReadByte(&byte, 1000), result::kOk);
  EXPECT_EQ(byte, 0x0D);
}

TEST_F(SerialPortPtyTest, HeldPortTurnsAwayEveryOtherOpener) {
  SerialPort holder;
  ASSERT_EQ(holder.Open(38400, "Com3", 100, 4), result::kOk);

  SerialPort second;
  EXPECT_EQ(second.Open(38400, "Com3", 100, 4), result::kOpenFailed);
  EXPECT_FALSE(second.IsOpen());
  uint8_t byte = 0;
  EXPECT_EQ(second.ReadByte(&byte, 0), result::kNotOpen);
  EXPECT_TRUE(pty_.Exclusive());  // the failed attempt left the holder's claim alone

  // Another program fares no better.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    uint8_t code = 0;
    auto channel = PosixSerialChannel::OpenPath(pty_.Path(), 38400, code);
    _exit(channel == nullptr ? code : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), result::kOpenFailed);

  // Re-opening at a new rate keeps the port to itself; closing releases it.
  ASSERT_EQ(holder.Open(9600, "COM3", 100, 4), result::kOk);
  const termios settings = pty_.Settings();
  EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
  EXPECT_EQ(second.Open(38400, "Com3", 100, 4), result::kOpenFailed);
  EXPECT_EQ(holder.Close(), result::kOk);
  EXPECT_FALSE(pty_.Exclusive());
  EXPECT_EQ(holder.Close(), result::kCloseFailed);
  EXPECT_EQ(second.Open(38400, "Com3", 100, 4), result::kOk);
}

TEST_F(SerialPortPtyTest, AbsentDeviceOrUnknownNameGives0x80) {
  ScopedComVariable com10(10, "/nonexistent/zel-port");
  SerialPort port;
  EXPECT_EQ(port.Open(38400, "Com10", 100, 4), result::kOpenFailed);
  EXPECT_EQ(port.Open(38400, "Port3", 100, 4), result::kOpenFailed);
  EXPECT_FALSE(port.IsOpen());
  // A regular file is no terminal.
  const fs::path file = fs::temp_directory_path() / ("zel-not-a-tty-" + std::to_string(getpid()));
  {
    std::FILE* f = std::fopen(file.c_str(), "w");
    if (f != nullptr) std::fclose(f);
  }
  ScopedComVariable com9(9, file.string());
  EXPECT_EQ(port.Open(38400, "Com9", 100, 4), result::kOpenFailed);
  fs::remove(file);

  // "Com10" reaches the tenth port.
  ScopedComVariable tenth(10, pty_.Path());
  EXPECT_EQ(port.Open(38400, "Com10", 100, 4), result::kOk);
}

TEST_F(SerialPortPtyTest, DirectPathOpenerIgnoresTheMapping) {
  SerialPort port(PosixSerialChannel::OpenerForPath(pty_.Path()));
  ASSERT_EQ(port.Open(38400, "Com7", 100, 4), result::kOk);
  const uint8_t byte = 0x4F;
  EXPECT_EQ(port.WriteBytes(&byte, 1), result::kOk);
  EXPECT_EQ(pty_.Drain(), std::vector<uint8_t>{0x4F});
}

TEST_F(SerialPortPtyTest, PurgeDiscardsWhatIsWaiting) {
  SerialPort port;
  ASSERT_EQ(port.Open(38400, "Com3", 20, 4), result::kOk);
  const std::vector<uint8_t> noise{'F', 'F', 'O'};
  ASSERT_EQ(write(pty_.Master(), noise.data(), noise.size()), 3);
  // The first byte read shows the noise has crossed the terminal; the purge drops the rest.
  uint8_t byte = 0;
  ASSERT_EQ(port.ReadByte(&byte, 100), result::kOk);
  // The acknowledge written just before is still owed to the ZEL: it must survive the purge.
  const uint8_t ack = 'O';
  ASSERT_EQ(port.WriteBytes(&ack, 1), result::kOk);
  EXPECT_EQ(port.Purge(), result::kOk);
  EXPECT_EQ(port.ReadByte(&byte, 0), result::kNoByte);
  EXPECT_EQ(pty_.Drain(), std::vector<uint8_t>{'O'});
}

TEST_F(SerialPortPtyTest, ReadWaitsItsDeadlineOnTheRealClock) {
  SerialPort port;
  ASSERT_EQ(port.Open(38400, "Com3", 20, 4), result::kOk);
  uint8_t byte = 0;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.ReadByte(&byte, 30), result::kNoByte);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST_F(SerialPortPtyTest, VanishedLineFailsInsteadOfWaiting) {
  SerialPort port;
  ASSERT_EQ(port.Open(38400, "Com3", 100, 4), result::kOk);
  pty_.HangUp();
  uint8_t byte = 0;
  // A long allowance that a hung-up line must not sit out.
  EXPECT_EQ(port.ReadByte(&byte, 600000), result::kReadFailed);
  FrameBuffer frame;
  EXPECT_NE(port.SendFrame(&frame), result::kOk);
  EXPECT_EQ(port.Close(), result::kOk);
}

}  // namespace
}  // namespace zel::link
