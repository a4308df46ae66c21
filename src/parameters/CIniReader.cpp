#include "parameters/CIniReader.h"

namespace zel::parameters {

CIniReader::CIniReader(std::string_view text) : text_(text) {}

CIniReader::CIniReader(std::span<const std::uint8_t> bytes)
    : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}

bool CIniReader::FindSection(std::string_view pattern) {
  std::string ignored;
  return FindSection(pattern, ignored);
}

bool CIniReader::FindSection(std::string_view pattern, std::string& foundName) {
  // position_ is always 0 or the start of the header found last, so it is a line start and the
  // header there is tried first: looking for the current section again finds it again.
  auto tryAt = [&](std::size_t lineStart) {
    std::string_view name;
    if (!HeaderAt(lineStart, name) || !MatchPattern(pattern, name)) return false;
    position_ = lineStart;
    haveSection_ = true;
    sectionName_ = std::string(name);
    sectionBody_ = LineEnd(lineStart) + 2;
    foundName = sectionName_;
    return true;
  };
  for (std::size_t line = position_; line != kNone && line < text_.size();
       line = NextLineStart(line)) {
    if (tryAt(line)) return true;
  }
  for (std::size_t line = 0; line != kNone && line < position_; line = NextLineStart(line)) {
    if (tryAt(line)) return true;
  }
  return false;
}

bool CIniReader::ReadKey(std::string_view key, std::string& value) const {
  if (!haveSection_) return false;
  const std::string_view text(text_);
  std::size_t line = sectionBody_;
  while (line < text.size()) {
    const std::size_t end = LineEnd(line);
    if (end == kNone || end == line) return false;  // broken line or empty line ends the section
    const std::string_view content = text.substr(line, end - line);
    const std::size_t equals = content.find('=');
    if (equals != std::string_view::npos && content.substr(0, equals) == key) {
      value.clear();
      for (char c : content.substr(equals + 1)) {
        if (c != '=') value.push_back(c);
      }
      return true;
    }
    line = end + 2;
  }
  return false;
}

void CIniReader::Rewind() {
  position_ = 0;
  haveSection_ = false;
  sectionBody_ = kNone;
  sectionName_.clear();
}

bool CIniReader::MatchPattern(std::string_view pattern, std::string_view name) {
  // Greedy match with a single back-tracking point at the last "*": linear in practice and
  // never worse than pattern length times name length, whatever the pattern holds.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t starP = std::string_view::npos;
  std::size_t starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::size_t CIniReader::LineEnd(std::size_t lineStart) const {
  const std::size_t cr = text_.find('\r', lineStart);
  if (cr == std::string::npos || cr + 1 >= text_.size() || text_[cr + 1] != '\n') return kNone;
  return cr;
}

std::size_t CIniReader::NextLineStart(std::size_t pos) const {
  const std::size_t crlf = text_.find("\r\n", pos);
  return crlf == std::string::npos ? kNone : crlf + 2;
}

bool CIniReader::HeaderAt(std::size_t lineStart, std::string_view& name) const {
  if (lineStart >= text_.size() || text_[lineStart] != '[') return false;
  const std::size_t close = text_.find_first_of("]\r", lineStart + 1);
  if (close == std::string::npos || text_[close] == '\r') return false;
  // The header line itself must be a complete line, like every line the reader takes in.
  if (LineEnd(lineStart) == kNone) return false;
  name = std::string_view(text_).substr(lineStart + 1, close - lineStart - 1);
  return true;
}

}  // namespace zel::parameters
