#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "sim/ControlChannel.h"
#include "sim/SimulatorFixture.h"

namespace zel::sim::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint16_t>;

// A person at `socat - UNIX-CONNECT:PATH`: one line out, one answer line back.
class ControlClient {
 public:
  explicit ControlClient(const std::string& path) {
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~ControlClient() {
    if (fd_ >= 0) close(fd_);
  }
  bool IsOpen() const { return fd_ >= 0; }

  void SendRaw(const std::string& text) {
    ssize_t sent = send(fd_, text.data(), text.size(), MSG_NOSIGNAL);
    (void)sent;
  }
  // The next answer line without its newline; empty when none arrives within a second.
  std::string Answer() {
    std::string line;
    char c = 0;
    pollfd fds{fd_, POLLIN, 0};
    while (poll(&fds, 1, 1000) > 0 && recv(fd_, &c, 1, 0) == 1 && c != '\n') line += c;
    return line;
  }
  std::string Ask(const std::string& line) {
    SendRaw(line + "\n");
    return Answer();
  }

 private:
  int fd_ = -1;
};

class ControlChannelTest : public SimulatorFixture {
 protected:
  void SetUp() override {
    StartSimulator();
    control_ = std::make_unique<ControlChannel>(*simulator_);
    controlPath_ = FreshLinkPath() + ".ctl";
    std::string error;
    ASSERT_TRUE(control_->Start(controlPath_, &error)) << error;
    client_ = std::make_unique<ControlClient>(controlPath_);
    ASSERT_TRUE(client_->IsOpen());
  }
  void TearDown() override {
    client_.reset();
    control_->Stop();
    SimulatorFixture::TearDown();
  }

  std::string Faults() {
    std::string state = client_->Ask("state");
    return state.substr(state.find("faults: ") + 8);
  }
  Words Read(uint8_t opcode) { return line_->Exchange(opcode, {0}).words; }

  std::unique_ptr<ControlChannel> control_;
  std::string controlPath_;
  std::unique_ptr<ControlClient> client_;
};

constexpr uint8_t kReadSysStatus = 1;
constexpr uint8_t kReadError = 2;
constexpr uint8_t kReadVersion = 26;

TEST_F(ControlChannelTest, ErrorWordsAndTheEnableInputReachWhatTheDeviceAnswers) {
  EXPECT_EQ(client_->Ask("error raise over-current under-voltage 7"), "ok error=0x8085");
  EXPECT_EQ(Read(kReadError), Words{0x8085});
  EXPECT_EQ(client_->Ask("error clear speed 0"), "ok error=0x8004");
  EXPECT_EQ(Read(kReadError), Words{0x8004});
  EXPECT_EQ(client_->Ask("error set 0x0020"), "ok error=0x8020");
  EXPECT_EQ(client_->Ask("can-error raise 3"), "ok can-error=0x8008");
  EXPECT_EQ(client_->Ask("error clear all"), "ok error=0x0000");
  EXPECT_EQ(Read(kReadError), Words{0x0000});

  ASSERT_EQ(Read(kReadSysStatus).size(), 1u);
  EXPECT_NE(Read(kReadSysStatus)[0] & DeviceModel::kStatusEnabled, 0);
  EXPECT_EQ(client_->Ask("enable-input off"), "ok");
  EXPECT_EQ(Read(kReadSysStatus)[0] & DeviceModel::kStatusEnabled, 0);
  std::string state = client_->Ask("state");
  EXPECT_NE(state.find("can-error=0x8008 enable-input=off"), std::string::npos) << state;
}

TEST_F(ControlChannelTest, CountedFaultsLastTheirExchangesAndTheStateSpellsThemAsTheyAreArmed) {
  EXPECT_EQ(client_->Ask("fault reject-opcode=2 refuse-reply corrupt-reply noise=3,bytes=55aa"),
            "ok");
  const std::string armed = Faults();
  EXPECT_EQ(armed, "reject-opcode=2 refuse-reply=1 corrupt-reply=1 noise=3,bytes=55aa");
  // What the state shows can be given back as it is.
  EXPECT_EQ(client_->Ask("fault clear"), "ok");
  EXPECT_EQ(Faults(), "none");
  EXPECT_EQ(client_->Ask("fault " + armed), "ok");
  EXPECT_EQ(Faults(), armed);

  for (int i = 0; i < 2; ++i) {
    line_->Write({kReadVersion});
    EXPECT_EQ(line_->Read(3), (Bytes{0x55, 0xAA, 'F'})) << "attempt " << i;
  }
  line_->Write({kReadVersion});
  EXPECT_EQ(line_->Read(3), (Bytes{0x55, 0xAA, 'O'}));
  line_->Write({0x00, 0x00, 0x00, 0x0C, 0x73});
  EXPECT_EQ(line_->Read(1), Bytes{'O'});
  // Faults armed for the next exchange meet in the same one: refused, and with a bad checksum.
  DeviceLine::Reply refused = line_->ReceiveReply();
  EXPECT_EQ(refused.code, DeviceModel::kReplyRejected);
  EXPECT_FALSE(refused.complete);
  EXPECT_TRUE(line_->Exchange(kReadVersion, {0}).complete);
  EXPECT_EQ(Faults(), "none");

  // never-answer without a count lasts until cleared; with one it ends by itself.
  EXPECT_EQ(client_->Ask("fault never-answer"), "ok");
  EXPECT_FALSE(line_->Command(kReadVersion, {0}));
  EXPECT_EQ(client_->Ask("fault never-answer=0"), "ok");
  EXPECT_TRUE(line_->Exchange(kReadVersion, {0}).complete);
}

TEST_F(ControlChannelTest, AFaultWithSkipLetsThatManyOpcodesPassThenShowsForItsCount) {
  EXPECT_EQ(client_->Ask("fault corrupt-reply=1,skip=2 reject-opcode=1,skip=1 never-answer,skip=4"),
            "ok");
  EXPECT_EQ(Faults(), "never-answer,skip=4 reject-opcode=1,skip=1 corrupt-reply=1,skip=2");
  EXPECT_TRUE(line_->Exchange(kReadVersion, {0}).complete);
  // The state counts down what is left to wait, and can be given back as it is.
  const std::string armed = Faults();
  EXPECT_EQ(armed, "never-answer,skip=3 reject-opcode=1 corrupt-reply=1,skip=1");
  line_->Write({kReadVersion});
  EXPECT_EQ(line_->Read(1), Bytes{'F'});
  EXPECT_FALSE(line_->Exchange(kReadVersion, {0}).complete);
  EXPECT_TRUE(line_->Exchange(kReadVersion, {0}).complete);
  // The fifth opcode meets the line gone silent until cleared.
  EXPECT_FALSE(line_->Command(kReadVersion, {0}));
  EXPECT_EQ(Faults(), "never-answer");

  // Given back, the same faults wait as long again; armed anew without skip they show at once.
  EXPECT_EQ(client_->Ask("fault clear"), "ok");
  EXPECT_TRUE(line_->Silent(std::chrono::milliseconds(300)));
  EXPECT_EQ(client_->Ask("fault " + armed), "ok");
  EXPECT_EQ(Faults(), armed);
  EXPECT_EQ(client_->Ask("fault reject-opcode never-answer=0"), "ok");
  line_->Write({kReadVersion});
  EXPECT_EQ(line_->Read(1), Bytes{'F'});
  EXPECT_EQ(client_->Ask("fault hang-up,skip=x"),
            "error: fault hang-up: skip= needs an opcode count from 0 to 100000000");
  EXPECT_EQ(Faults(), "corrupt-reply=1");
}

TEST_F(ControlChannelTest, HangUpClosesTheToolsLineAtOnceAndAFreshOneServes) {
  EXPECT_EQ(client_->Ask("hang-up"), "ok");
  EXPECT_TRUE(line_->HungUp());
  DeviceLine reopened(simulator_->LinkPath(), 38400);
  ASSERT_TRUE(reopened.IsOpen());
  EXPECT_TRUE(reopened.Exchange(kReadVersion, {0}).complete);
  EXPECT_NE(client_->Ask("state").find("hang-ups=1"), std::string::npos);
}

TEST_F(ControlChannelTest, BadLinesAreAnsweredChangeNothingAndLeaveChannelAndDeviceServing) {
  const std::vector<std::string> bad = {
      "bogus",
      "error raise 15",
      "error raise over-current 99",  // checked whole: over-current is not raised either
      "error set 0x10000",
      "fault reject-opcode=2 reject-checksum=x",
      "fault no-such-fault",
      "fault stop-reply,bytes=00",
      "enable-input maybe",
      std::string("\x01\xff\x7f", 3),
  };
  for (const std::string& line : bad) {
    std::string answer = client_->Ask(line);
    EXPECT_EQ(answer.rfind("error: ", 0), 0u) << line << " -> " << answer;
  }
  client_->SendRaw(std::string(5000, 'x') + "\nstate\n");
  EXPECT_EQ(client_->Answer(), "error: line longer than 512 characters");
  std::string state = client_->Answer();
  EXPECT_EQ(state.rfind("ok error=0x0000 can-error=0x0000 enable-input=on", 0), 0u) << state;
  EXPECT_EQ(Faults(), "none");

  // A client that goes away mid-line leaves the others served.
  {
    ControlClient other(controlPath_);
    other.SendRaw("error raise");
  }
  EXPECT_EQ(client_->Ask("help").rfind("ok commands: ", 0), 0u);
  EXPECT_TRUE(line_->Exchange(kReadVersion, {0}).complete);
}

TEST_F(ControlChannelTest, TheSocketPathIsNeverStolenFromAListenerNorFromAFile) {
  ControlChannel second(*simulator_);
  std::string error;
  EXPECT_FALSE(second.Start(controlPath_, &error));
  EXPECT_NE(error.find("another program listens"), std::string::npos) << error;
  EXPECT_FALSE(second.Start(simulator_->LinkPath(), &error));  // a symbolic link to the tty
  EXPECT_NE(error.find("not a socket"), std::string::npos) << error;

  // A socket nobody listens on any more (its program died) is taken over.
  const std::string stale = controlPath_ + ".stale";
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, stale.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);
  ASSERT_TRUE(second.Start(stale, &error)) << error;
  EXPECT_EQ(ControlClient(stale).Ask("fault hang-up=0"), "ok");
  second.Stop();
  EXPECT_FALSE(std::filesystem::exists(stale));
}

}  // namespace
}  // namespace zel::sim::test
