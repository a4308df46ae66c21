// zelcoff: writes a TI COFF program file for the sample firmware package.
//
//   zelcoff OUTPUT [--timestamp N] [--version-id N] NAME:ADDRESS:PAGE:WORDS ...
//
// WORDS is a count of reproducible words derived from the name (the first four spell it), or
// "=W,W,..." for the words themselves.
//   zelcoff --help | --version
//
// Each section gets WORDS reproducible words derived from its name; numbers may be given in
// decimal or with "0x".

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/CoffWriter.h"

namespace {

bool Number(const std::string& text, unsigned long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoul(text.c_str(), &end, 0);
  return end != nullptr && *end == '\0';
}

bool Section(const std::string& text, zel::test::CoffSection& section) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = text.find(':', start);
    parts.push_back(text.substr(start, colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  unsigned long address = 0, page = 0, words = 0;
  if (parts.size() != 4 || parts[0].empty() || parts[0].size() > 8 || !Number(parts[1], address) ||
      !Number(parts[2], page) || address > 0xFFFFFFFFul || page > 255)
    return false;
  section.name = parts[0];
  section.loadAddress = static_cast<std::uint32_t>(address);
  section.page = static_cast<std::uint8_t>(page);
  // "=W,W,...": the words themselves (an identity table, say), else a count of pattern words.
  if (!parts[3].empty() && parts[3][0] == '=') {
    std::size_t at = 1;
    while (at <= parts[3].size()) {
      const std::size_t comma = std::min(parts[3].find(',', at), parts[3].size());
      unsigned long word = 0;
      if (!Number(parts[3].substr(at, comma - at), word) || word > 0xFFFF) return false;
      section.words.push_back(static_cast<std::uint16_t>(word));
      at = comma + 1;
    }
    return true;
  }
  if (!Number(parts[3], words) || words > 0x10000) return false;
  section.words = zel::test::CoffWriter::PatternWords(section.name, words);
  return true;
}

constexpr const char* kUsage =
    "usage: zelcoff OUTPUT [--timestamp N] [--version-id N] NAME:ADDRESS:PAGE:WORDS ...\n"
    "       zelcoff --help | --version\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf(
        "%s\n"
        "Writes a TI COFF program file for the sample firmware package. Each section gets\n"
        "WORDS reproducible words derived from its name (the first four spell it), or with\n"
        "WORDS as =W,W,... those words, loaded at ADDRESS on PAGE; numbers are decimal or,\n"
        "with \"0x\", hexadecimal.\n\n"
        "Exit status: 0 done, 1 failed, 2 usage error.\n",
        kUsage);
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("zelcoff %s\n", ZEL_VERSION);
    return 0;
  }
  // An output name that looks like an option is a mistyped option, not a file to create.
  if (args.empty() || (args[0].size() > 1 && args[0][0] == '-')) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  zel::test::CoffWriter writer;
  for (std::size_t i = 1; i < args.size(); ++i) {
    unsigned long value = 0;
    if ((args[i] == "--timestamp" || args[i] == "--version-id") && i + 1 < args.size()) {
      if (!Number(args[i + 1], value)) {
        std::fprintf(stderr, "zelcoff: bad number %s\n", args[i + 1].c_str());
        return 2;
      }
      if (args[i] == "--timestamp")
        writer.SetTimeStamp(static_cast<std::uint32_t>(value));
      else
        writer.SetVersionId(static_cast<std::uint16_t>(value));
      ++i;
      continue;
    }
    zel::test::CoffSection section;
    if (!Section(args[i], section)) {
      std::fprintf(stderr, "zelcoff: bad section %s\n", args[i].c_str());
      return 2;
    }
    writer.AddSection(std::move(section));
  }
  if (!writer.WriteFile(args[0])) {
    std::fprintf(stderr, "zelcoff: cannot write %s\n", args[0].c_str());
    return 1;
  }
  return 0;
}
