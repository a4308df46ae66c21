// Feeds arbitrary bytes to the ini reader. The first line of the input (up to LF) is split at its
// first TAB into a section pattern and a key; the rest is the ini text. Several searches from
// different positions exercise the wrap-around, and a found section must always be found again.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "parameters/CIniReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string_view control =
      newline == std::string_view::npos ? "" : input.substr(0, newline);
  const std::string_view text =
      newline == std::string_view::npos ? input : input.substr(newline + 1);
  const std::size_t tab = control.find('\t');
  const std::string_view pattern = control.substr(0, tab);
  const std::string_view key =
      tab == std::string_view::npos ? std::string_view("Name") : control.substr(tab + 1);

  zel::parameters::CIniReader reader(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  std::string name;
  std::string value;
  for (std::string_view search : {pattern, std::string_view("*"), std::string_view("*1"), pattern,
                                  std::string_view("Parameter*"), std::string_view("*")}) {
    if (!reader.FindSection(search, name)) continue;
    if (reader.ReadKey(key, value) && value.find('=') != std::string::npos) __builtin_trap();
    // The current section is always found again, whatever its name holds.
    if (!reader.FindSection(name) || reader.SectionName() != name) __builtin_trap();
  }
  reader.Rewind();
  if (reader.FindSection(pattern, name)) reader.ReadKey(key, value);
  return 0;
}
