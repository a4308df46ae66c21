#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zel::parameters {

// Reads the ini-style text members of a firmware package (the package summary, the parameter
// definition files, the error maps) from memory. The syntax is deliberately narrow and is what
// the makers of those files have always relied on:
//
// - Lines end with CR LF. A line that is not ended by CR LF is never read: a lone CR ends the
//   reading of the section it is in, and a last line without CR LF is ignored.
// - A section header is a line starting with "[". Its name runs up to the first "]"; a CR before
//   that "]" makes the header invalid. Text after the "]" is ignored. A "[" elsewhere in a line
//   does not start a header.
// - A key line is key "=" value. Nothing is trimmed and there are no comments, so "Name = x"
//   defines the key "Name " and not "Name".
// - A key is looked for from the line after its section's header up to the first empty line (or
//   the end of the readable text), not up to the next header: sections are separated by an empty
//   line, and without one a key missing from a section is taken from the section below it.
// - A section is looked for from the reader's current position (the header found last) forward,
//   wrapping to the start of the text once, so the order of sections does not matter.
//
// Value with a further "=": the value is everything after the first "=" with every further "="
// character removed and the characters around it kept ("Text=a=b" reads as "ab"). The files were
// never written with "=" inside values, and this reading keeps the most of a value that has one.
//
// The reader owns a copy of the text; any bytes, including NUL, are accepted and never read out
// of bounds. Not thread-safe; use one reader per thread.
class CIniReader {
 public:
  explicit CIniReader(std::string_view text);
  explicit CIniReader(std::span<const std::uint8_t> bytes);

  // Finds the first valid section header whose name matches pattern ("*" matches any run of
  // characters, everything else must match exactly, case-sensitive), scanning forward from the
  // current position and wrapping once. On success the header becomes the current position and
  // the current section. On failure position and current section stay as they were.
  bool FindSection(std::string_view pattern);
  bool FindSection(std::string_view pattern, std::string& foundName);

  // Reads the value of key from the current section. False when no section has been found yet
  // or the key does not occur before the section's end (empty line, broken line or end of text).
  bool ReadKey(std::string_view key, std::string& value) const;

  // Moves the current position back to the start of the text and forgets the current section,
  // so that the next FindSection finds the first matching section of the file.
  void Rewind();

  // Name of the current section; empty before a section has been found.
  const std::string& SectionName() const { return sectionName_; }

  // "*" matches any run of characters (also none); every other character matches itself.
  static bool MatchPattern(std::string_view pattern, std::string_view name);

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // End of the line starting at lineStart (the index of its CR), or kNone when the line is not
  // ended by CR LF and therefore must not be read.
  std::size_t LineEnd(std::size_t lineStart) const;
  // Start of the line after the one containing pos, or kNone when there is none readable.
  std::size_t NextLineStart(std::size_t pos) const;
  // True when a valid header starts at lineStart; name receives its name.
  bool HeaderAt(std::size_t lineStart, std::string_view& name) const;

  std::string text_;
  std::size_t position_ = 0;
  bool haveSection_ = false;
  std::size_t sectionBody_ = kNone;  // first line after the current section's header
  std::string sectionName_;
};

}  // namespace zel::parameters
