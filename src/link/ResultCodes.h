#pragma once

#include <cstdint>

// Result codes of the serial port and the frame protocol. Every port and frame operation returns
// one of these in a single unsigned byte; the port codes pass through the frame operations
// unchanged, and the link turns any non-zero code into a failed command.
namespace zel::link::result {

constexpr uint8_t kOk = 0x00;

// Frame protocol.
constexpr uint8_t kNoTrials = 0x01;         // transmit trials are 0: nothing was sent
constexpr uint8_t kReplyChecksum = 0x0B;    // reply checksum wrong; the tool answered 'F'
constexpr uint8_t kNoByte = 0x0E;           // single-byte read / reply code: nothing arrived
constexpr uint8_t kReplyShort = 0x0F;       // reply stopped short (L, data or checksum missing)
constexpr uint8_t kFrameRejected = 0x10;    // 'F' to the complete command frame
constexpr uint8_t kFrameNoAnswer = 0x11;    // no answer to the complete command frame
constexpr uint8_t kFrameBadAnswer = 0x12;   // neither 'O' nor 'F' to the complete frame
constexpr uint8_t kOpcodeRejected = 0x13;   // 'F' to the opcode byte
constexpr uint8_t kOpcodeNoAnswer = 0x14;   // no answer to the opcode byte
constexpr uint8_t kOpcodeBadAnswer = 0x15;  // neither 'O' nor 'F' to the opcode byte

// Serial port.
constexpr uint8_t kOpenFailed = 0x80;   // absent, or held by another program
constexpr uint8_t kWriteFailed = 0x81;  // write failed or wrote fewer bytes than asked
constexpr uint8_t kReadFailed = 0x82;
constexpr uint8_t kConfigFailed = 0x83;       // line settings, purge or time-outs
constexpr uint8_t kGetSettingsFailed = 0x84;  // current line settings could not be read
constexpr uint8_t kCloseFailed = 0x87;        // close on a port that is not open, or close failed
constexpr uint8_t kNotOpen = 0xFF;            // port not open, or no buffer given

}  // namespace zel::link::result

namespace zel::link {

// Acknowledge characters; both sides of the line use them.
constexpr uint8_t kAckOk = 'O';      // 0x4F accepts
constexpr uint8_t kAckReject = 'F';  // 0x46 rejects

}  // namespace zel::link
