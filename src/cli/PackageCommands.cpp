// zelctl package: what a firmware package holds, without a ZEL.

#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/PackageDate.h"
#include "monitor/CErrorMapList.h"

namespace zel::cli {

namespace {

using firmware::FirmwareInfo;
using firmware::FirmwarePackage;

const char* kUsage =
    "zelctl package versions <file.bin>\n"
    "       zelctl package summary <file.bin> [version]\n"
    "       zelctl package check <file.bin> [version]\n"
    "       zelctl package defaults <file.bin> [version] [--raw]\n"
    "       zelctl package readme <file.bin> [version]\n"
    "       zelctl package errormaps <file.bin> [version]\n"
    "  [version] is a package directory; it may be left out when the package holds one version.";

std::string Hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%.4X", value);
  return text;
}

// The terminal wants LF; the package members are CR LF.
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string Joined(const std::vector<std::string>& list) {
  std::string text;
  for (const auto& item : list) text += (text.empty() ? "" : ", ") + item;
  return text;
}

// Opens the package and settles on one version: the one named, or the only one there is.
bool OpenVersion(CommandContext& ctx, FirmwarePackage& package, const std::string& path,
                 const std::string& wanted, std::string& directory, int& rc) {
  if (!package.Open(path)) {
    rc = ctx.Fail("Unable to open file!");
    return false;
  }
  std::vector<std::string> versions;
  if (!package.ListVersions(versions) || versions.empty()) {
    rc = ctx.Fail("The package holds no firmware version.");
    return false;
  }
  if (wanted.empty()) {
    if (versions.size() > 1) {
      rc = ctx.Fail("The package holds several versions (" + Joined(versions) + "); name one.");
      return false;
    }
    directory = versions.front();
    return true;
  }
  for (const auto& version : versions) {
    if (version == wanted) {
      directory = version;
      return true;
    }
  }
  rc = ctx.Fail("The package has no version '" + wanted + "' (it has " + Joined(versions) + ").");
  return false;
}

int Versions(CommandContext& ctx, const std::string& path) {
  FirmwarePackage package;
  if (!package.Open(path)) return ctx.Fail("Unable to open file!");
  std::vector<std::string> versions;
  if (!package.ListVersions(versions)) return ctx.Fail("The package is damaged.");
  // Nothing to list is no listing: a script must not take it for a package it can use.
  if (versions.empty()) return ctx.Fail("The package holds no firmware version.");
  std::vector<std::string> lines;
  std::vector<JsonWriter> json;
  std::vector<std::string> unreadable;
  for (const auto& directory : versions) {
    FirmwareInfo info;
    if (!package.ReadInfo(directory, info)) {
      lines.push_back(directory + ": Error reading firmware info!");
      json.push_back(JsonWriter().Add("directory", directory).Add("readable", false));
      unreadable.push_back(directory);
      continue;
    }
    const std::string date = firmware::PackageDate::Format(info.date);
    lines.push_back(directory + ":");
    lines.push_back("  Software Version:    " + Hex4(info.softwareVersion));
    lines.push_back("  Hardware Version:    " + Hex4(info.hardwareVersion));
    lines.push_back("  Application Number:  " + Hex4(info.applicationNumber));
    lines.push_back("  Application Version: " + Hex4(info.applicationVersion));
    lines.push_back("  Date:                " + date);
    lines.push_back("  Meaning:             " + info.meaning);
    lines.push_back("  Visum:               " + info.visum);
    lines.push_back("  Sample Number:       " + info.sampleNumber);
    json.push_back(JsonWriter()
                       .Add("directory", directory)
                       .Add("readable", true)
                       .Add("softwareVersion", Hex4(info.softwareVersion))
                       .Add("hardwareVersion", Hex4(info.hardwareVersion))
                       .Add("applicationNumber", Hex4(info.applicationNumber))
                       .Add("applicationVersion", Hex4(info.applicationVersion))
                       .Add("date", date)
                       .Add("meaning", info.meaning)
                       .Add("visum", info.visum)
                       .Add("sampleNumber", info.sampleNumber));
  }
  if (unreadable.size() == versions.size())
    return ctx.Fail("Error reading firmware info!\nNo version of the package can be read (" +
                    Joined(unreadable) + ").");
  return ctx.Done(lines, JsonWriter().Add("versions", json));
}

int Entry(CommandContext& ctx, const std::string& path, const std::string& wanted,
          const std::string& below, const char* name, const char* missing) {
  FirmwarePackage package;
  std::string directory;
  int rc = kExitOk;
  if (!OpenVersion(ctx, package, path, wanted, directory, rc)) return rc;
  std::vector<std::uint8_t> bytes;
  if (!package.ReadEntry(directory + below, name, bytes)) return ctx.Fail(missing);
  const std::string text(bytes.begin(), bytes.end());
  return ctx.Done(TextLines(text), JsonWriter().Add("directory", directory).Add("text", text));
}

int Check(CommandContext& ctx, const std::string& path, const std::string& wanted) {
  FirmwarePackage package;
  std::string directory;
  int rc = kExitOk;
  if (!OpenVersion(ctx, package, path, wanted, directory, rc)) return rc;
  // The missing file's message goes to the error stream as the box would show it.
  if (!package.CheckComplete(directory, true)) return ctx.FailShown();
  return ctx.Done({directory + ": complete"},
                  JsonWriter().Add("directory", directory).Add("complete", true));
}

int Defaults(CommandContext& ctx, const std::string& path, const std::string& wanted, bool raw) {
  FirmwarePackage package;
  std::string directory;
  int rc = kExitOk;
  if (!OpenVersion(ctx, package, path, wanted, directory, rc)) return rc;
  std::vector<std::uint8_t> bytes;
  if (!package.ReadEntry(directory + "\\Parameter\\", "SystemParameter.ini", bytes))
    return ctx.Fail("The file 'SystemParameter.ini' does not exist!");
  std::string text(bytes.begin(), bytes.end());
  if (!raw && !FirmwarePackage::FormatDefaults(bytes, text))
    return ctx.Fail("The default values cannot be shown: a parameter section is incomplete.");
  return ctx.Done(TextLines(text), JsonWriter().Add("directory", directory).Add("text", text));
}

int ErrorMaps(CommandContext& ctx, const std::string& path, const std::string& wanted) {
  FirmwarePackage package;
  std::string directory;
  int rc = kExitOk;
  if (!OpenVersion(ctx, package, path, wanted, directory, rc)) return rc;
  package.Close();
  monitor::CErrorMapList maps;
  if (!maps.LoadErrorMaps(path, directory)) return ctx.Fail("Error reading firmware info!");
  std::vector<std::string> lines;
  std::vector<JsonWriter> json;
  for (const auto& map : maps.Maps()) {
    lines.push_back(map.Name() + " (" + map.Meaning() + ")");
    std::vector<JsonWriter> entries;
    for (const auto& entry : map.Entries()) {
      const unsigned code = map.Type() == monitor::CErrorMap::kTypeNumber
                                ? entry.errorNumber
                                : static_cast<unsigned>(entry.errorBit);
      char line[64];
      std::snprintf(line, sizeof line, "  %5u  ", code);
      lines.push_back(line + entry.name + ": " + entry.meaning);
      entries.push_back(JsonWriter()
                            .Add("code", code)
                            .Add("name", entry.name)
                            .Add("meaning", entry.meaning)
                            .Add("causedBy", entry.causedBy)
                            .Add("effect", entry.effect)
                            .Add("remark", entry.remark));
    }
    json.push_back(JsonWriter()
                       .Add("name", map.Name())
                       .Add("meaning", map.Meaning())
                       .Add("type", map.Type())
                       .Add("entries", entries));
  }
  if (lines.empty()) lines.push_back("The version lists no error map.");
  return ctx.Done(lines, JsonWriter().Add("directory", directory).Add("maps", json));
}

int Package(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() < 2) return ctx.Usage("Name a subcommand and a package file.", kUsage);
  const std::string& sub = args[0];
  const std::string& path = args[1];
  std::vector<std::string> rest(args.begin() + 2, args.end());
  bool raw = false;
  if (sub == "defaults")
    std::erase_if(rest, [&](const std::string& a) { return a == "--raw" && (raw = true); });
  if (rest.size() > 1) return ctx.Usage("Too many arguments.", kUsage);
  const std::string wanted = rest.empty() ? std::string() : rest.front();
  if (sub == "versions" && rest.empty()) return Versions(ctx, path);
  if (sub == "summary")
    return Entry(ctx, path, wanted, "", "Summary.txt", "The file 'ReadMe.txt' does not exist!");
  if (sub == "readme")
    return Entry(ctx, path, wanted, "\\DocFiles\\", "ReadMe.txt",
                 "The file 'ReadMe.txt' does not exist!");
  if (sub == "check") return Check(ctx, path, wanted);
  if (sub == "defaults") return Defaults(ctx, path, wanted, raw);
  if (sub == "errormaps") return ErrorMaps(ctx, path, wanted);
  return ctx.Usage("Unknown subcommand '" + sub + "'.", kUsage);
}

}  // namespace

void RegisterPackageCommands(CommandRegistry& registry) {
  registry.Add({"package",
                "show a firmware package's versions, summary, completeness, defaults "
                "and error maps",
                kUsage, Package});
}

}  // namespace zel::cli
