#include <algorithm>
#include <cstdio>
#include <memory>

#include "can/CanModule.h"
#include "can/ModuleParameterDevice.h"
#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/InterruptGuard.h"
#include "cli/NetworkParameterCommands.h"
#include "cli/NumberArgument.h"
#include "cli/OptionArguments.h"
#include "files/AtomicFileWriter.h"
#include "link/SerialParameterDevice.h"
#include "link/ZelCommunication.h"
#include "parameters/CParameterFile.h"
#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"
#include "parameters/ParameterTransfer.h"

namespace zel::cli {

namespace {

using parameters::CParameterFile;
using parameters::NumberText;
using parameters::ParameterTransfer;

constexpr uint16_t kEnableBySoftware = 0x1000;

const char* kUsage =
    "zelctl params upload FILE.udf [--visum TEXT] [--comment TEXT] [--network [--to N]]\n"
    "       zelctl params show FILE.udf\n"
    "       zelctl params export FILE.udf [OUT.txt]\n"
    "       zelctl params diff FILE.udf [OTHER.udf]\n"
    "       zelctl params download FILE.udf [--dry-run] [--yes]\n"
    "       zelctl params download --network ID=FILE.udf[,ID=FILE.udf...] [--dry-run] [--yes]\n"
    "       zelctl params defaults [--yes]\n"
    "       (--module ID works on a CAN module behind the ZEL; upload --network searches module\n"
    "       IDs 1 to N, 127 unless --to, and writes FILE_ModuleId_<id>.udf for each module found;\n"
    "       download --network writes each file into the module given, every pair checked\n"
    "       first: nothing is written when one module's software version differs from its file)";

// The device the command works on: the serial ZEL, or the --module one through the gateway.
class Target {
 public:
  explicit Target(CommandContext& ctx) : ctx_(ctx) {}

  // Null after reporting why the device cannot be reached.
  parameters::ParameterDevice* Open() {
    link::ZelCommunication* zel = ctx_.Zel();
    if (!zel) return nullptr;
    table_ = &zel->Definitions();
    const auto id = static_cast<uint16_t>(ctx_.Options().module);
    if (id == 0) {
      device_ = std::make_unique<link::SerialParameterDevice>(zel->Parameter(), zel->Status());
      return device_.get();
    }
    can::CanModule* module = ctx_.Module();
    if (!module) return nullptr;
    uint16_t software = 0, hardware = 0;
    if (!module->ReadVersion(id, software, hardware)) {
      ctx_.Fail("ReadVersion to CAN module " + std::to_string(id) +
                    ": Command failed!\nNo answer through the gateway: the module is absent or "
                    "listens at another bit rate.",
                "noAnswer");
      return nullptr;
    }
    device_ = std::make_unique<can::ModuleParameterDevice>(*module, id);
    return device_.get();
  }
  const parameters::CParameterTable& Table() const { return *table_; }
  std::string Name() const {
    return ctx_.Options().module ? "CAN module " + std::to_string(ctx_.Options().module)
                                 : "the ZEL";
  }

 private:
  CommandContext& ctx_;
  const parameters::CParameterTable* table_ = nullptr;
  std::unique_ptr<parameters::ParameterDevice> device_;
};

// Reads a parameter file; false after reporting why (the refusal of an old file is the
// desktop's text).
bool Load(CommandContext& ctx, const std::string& path, CParameterFile& file, int& rc) {
  std::string error;
  if (file.Read(path, error) == CParameterFile::ReadResult::kOk) return true;
  rc = ctx.Fail(error, "badFile");
  return false;
}

std::string Hex(uint16_t word) {
  return NumberText::FormatHex16(word);
}

JsonWriter HeaderJson(const CParameterFile& file) {
  return JsonWriter()
      .Add("directory", file.directory)
      .Add("date", file.date)
      .Add("version", file.version)
      .Add("application", file.application)
      .Add("visum", file.visum)
      .Add("comment", file.comment)
      .Add("moduleId", file.moduleId);
}

int Upload(CommandContext& ctx, std::vector<std::string> args) {
  int rc = kExitOk;
  std::string visum = "-", comment = "-", to = "127";
  bool givenVisum = false, givenComment = false, givenTo = false;
  if (!TakeOption(ctx, args, "--visum", visum, givenVisum, rc, kUsage) ||
      !TakeOption(ctx, args, "--comment", comment, givenComment, rc, kUsage) ||
      !TakeOption(ctx, args, "--to", to, givenTo, rc, kUsage))
    return rc;
  const bool network = TakeFlag(args, "--network");
  if (args.size() != 1) return ctx.Usage("Give one file name.", kUsage);
  const std::string path = args[0];
  if (path.size() < 5 || path.substr(path.size() - 4) != ".udf")
    return ctx.Usage("A parameter file name ends in .udf.", kUsage);
  if (network) {
    if (ctx.Options().module != 0)
      return ctx.Usage("--network uploads every module; leave out --module.", kUsage);
    int64_t last = 127;
    std::string why;
    if (!NumberArgument(to).ToInteger(1, 127, last, why)) return ctx.Usage("--to: " + why, kUsage);
    return NetworkUploadCommand(ctx, path, visum, comment, static_cast<uint16_t>(last));
  }
  if (givenTo) return ctx.Usage("--to goes with --network.", kUsage);
  Target target(ctx);
  parameters::ParameterDevice* device = target.Open();
  if (!device) return kExitFailed;
  ParameterTransfer transfer(target.Table(), *device);
  // Ctrl-C, SIGTERM and SIGHUP stop the upload between two exchanges, so that the drive is put
  // back before zelctl ends.
  InterruptGuard interrupts;
  transfer.SetStopCheck([] { return InterruptGuard::Count() > 0; });
  CParameterFile file;
  auto outcome = transfer.Upload(path, visum, comment, file);
  if (!outcome.ok) return ctx.Fail(outcome.message, "uploadFailed");
  return ctx.Done({outcome.message, "Saved to: " + path + " (" + file.version + ", " +
                                        std::to_string(file.entries.size()) + " parameters)"},
                  JsonWriter()
                      .Add("file", path)
                      .Add("version", file.version)
                      .Add("moduleId", file.moduleId)
                      .Add("entries", static_cast<int>(file.entries.size())));
}

int Show(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return ctx.Usage("Give one parameter file.", kUsage);
  CParameterFile file;
  int rc = kExitOk;
  if (!Load(ctx, args[0], file, rc)) return rc;
  std::vector<std::string> lines{"Directory : " + file.directory,
                                 "Date      : " + file.date,
                                 "Version   : " + file.version + file.application,
                                 "Visum     : " + file.visum,
                                 "Comment   : " + file.comment,
                                 "Module    : " + std::to_string(file.moduleId),
                                 std::to_string(file.entries.size()) + " parameters:"};
  std::vector<JsonWriter> rows;
  for (size_t i = 0; i < file.entries.size(); ++i) {
    const auto& e = file.entries[i];
    uint16_t word = 0;
    const bool valid = file.Value(i, word);
    char line[200];
    std::snprintf(line, sizeof line, "  %3zu  %-20s %-8s %6s%s", i, e.name.c_str(), e.value.c_str(),
                  valid ? std::to_string(word).c_str() : "?",
                  e.width ? "  (32-bit, low 16 bits)" : "");
    lines.emplace_back(line);
    JsonWriter row = JsonWriter()
                         .Add("number", static_cast<int>(i))
                         .Add("name", e.name)
                         .Add("value", e.value)
                         .Add("width", e.width)
                         .Add("default", e.defaultText);
    if (valid) row.Add("decimal", word);
    rows.push_back(row);
  }
  return ctx.Done(lines, HeaderJson(file).Add("parameters", rows));
}

int Export(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2)
    return ctx.Usage("Give a parameter file and, if wanted, the text file.", kUsage);
  CParameterFile file;
  int rc = kExitOk;
  if (!Load(ctx, args[0], file, rc)) return rc;
  const std::string out = args.size() == 2 ? args[1] : CParameterFile::TextFileName(args[0]);
  if (out == args[0]) return ctx.Usage("The text file would replace the parameter file.", kUsage);
  std::string error;
  if (!files::AtomicFileWriter::Write(out, file.TextProtocol(), error))
    return ctx.Fail("Failed saving data to file!\n" + error, "writeFailed");
  return ctx.Done({"Data saved as Textfile!", "Saved to: " + out}, JsonWriter().Add("file", out));
}

JsonWriter DifferenceJson(size_t i, const std::string& name, uint16_t first, uint16_t second,
                          const char* firstKey, const char* secondKey) {
  return JsonWriter()
      .Add("number", static_cast<int>(i))
      .Add("name", name)
      .AddWord(firstKey, first)
      .AddWord(secondKey, second);
}

int DiffFiles(CommandContext& ctx, const std::string& a, const std::string& b) {
  CParameterFile first, second;
  int rc = kExitOk;
  if (!Load(ctx, a, first, rc) || !Load(ctx, b, second, rc)) return rc;
  const bool compatible = CParameterFile::CompatibleVersion(first.version) ==
                          CParameterFile::CompatibleVersion(second.version);
  std::vector<std::string> lines{first.version + " and " + second.version +
                                 (compatible ? ": compatible" : ": not compatible")};
  std::vector<JsonWriter> rows;
  const size_t count = std::max(first.entries.size(), second.entries.size());
  for (size_t i = 0; i < count; ++i) {
    const bool inFirst = i < first.entries.size(), inSecond = i < second.entries.size();
    const std::string name = inFirst ? first.entries[i].name : second.entries[i].name;
    if (inFirst && inSecond && first.entries[i].value == second.entries[i].value) continue;
    char line[200];
    std::snprintf(line, sizeof line, "  %3zu  %-20s %8s %8s", i, name.c_str(),
                  inFirst ? first.entries[i].value.c_str() : "-",
                  inSecond ? second.entries[i].value.c_str() : "-");
    lines.emplace_back(line);
    rows.push_back(JsonWriter()
                       .Add("number", static_cast<int>(i))
                       .Add("name", name)
                       .Add("first", inFirst ? first.entries[i].value : "")
                       .Add("second", inSecond ? second.entries[i].value : ""));
  }
  if (rows.empty()) lines.emplace_back("  no differences");
  return ctx.Done(lines, JsonWriter().Add("compatible", compatible).Add("differences", rows));
}

int DiffDevice(CommandContext& ctx, const std::string& path) {
  CParameterFile file;
  int rc = kExitOk;
  if (!Load(ctx, path, file, rc)) return rc;
  Target target(ctx);
  parameters::ParameterDevice* device = target.Open();
  if (!device) return kExitFailed;
  parameters::DeviceIdentity identity;
  if (!device->ReadVersion(identity)) return ctx.CommandFailed("ReadVersion");
  const auto& table = target.Table();
  const bool compatible = ParameterTransfer::Compatible(file.version, identity);
  const std::string deviceVersion = CParameterFile::VersionText(identity);
  std::vector<std::string> lines{"File " + file.version + ", " + target.Name() + " " +
                                 deviceVersion +
                                 (compatible ? ": compatible" : ": not compatible")};
  std::vector<JsonWriter> rows;
  const size_t count = std::min<size_t>(file.entries.size(), table.SystemCount());
  for (size_t i = 0; i < count; ++i) {
    const auto number = static_cast<int16_t>(i);
    uint32_t value = 0;
    if (!device->ReadTempParam(number, 0, value)) return ctx.CommandFailed("ReadTempParam");
    const auto deviceWord = static_cast<uint16_t>(value);
    uint16_t fileWord = 0;
    // SysConfig's enabling bit never comes from a file: an upload reads it while the enable
    // guard holds it set, and a download ends with the device's own enable source again.
    const uint16_t mask = number == 1 ? static_cast<uint16_t>(~kEnableBySoftware) : 0xFFFF;
    if (file.Value(i, fileWord) && (fileWord & mask) == (deviceWord & mask)) continue;
    std::int32_t def = 0, min = 0, max = 0;
    int service = 0;
    table.GetLimits(number, def, min, max, service);
    std::string minText, maxText;
    table.FormatValue(number, min, parameters::NumberFormat::kDecimal, minText);
    table.FormatValue(number, max, parameters::NumberFormat::kDecimal, maxText);
    std::string fileText, deviceText;
    table.FormatValue(number, fileWord, parameters::NumberFormat::kDecimal, fileText);
    table.FormatValue(number, deviceWord, parameters::NumberFormat::kDecimal, deviceText);
    char line[240];
    std::snprintf(line, sizeof line, "  %3zu  %-20s file %s (%s)  device %s (%s)  limits %s..%s", i,
                  file.entries[i].name.c_str(), file.entries[i].value.c_str(), fileText.c_str(),
                  Hex(deviceWord).c_str(), deviceText.c_str(), minText.c_str(), maxText.c_str());
    lines.emplace_back(line);
    rows.push_back(DifferenceJson(i, file.entries[i].name, fileWord, deviceWord, "file", "device")
                       .Add("min", min)
                       .Add("max", max));
  }
  if (rows.empty()) lines.emplace_back("  no differences");
  return ctx.Done(lines, JsonWriter()
                             .Add("fileVersion", file.version)
                             .Add("deviceVersion", deviceVersion)
                             .Add("compatible", compatible)
                             .Add("differences", rows));
}

std::vector<int> Numbers(const std::vector<ParameterTransfer::PlannedWrite>& writes) {
  std::vector<int> numbers;
  for (const auto& w : writes) numbers.push_back(w.number);
  return numbers;
}

std::vector<int> Numbers(const std::vector<int16_t>& list) {
  return std::vector<int>(list.begin(), list.end());
}

std::string List(const std::vector<int>& numbers) {
  std::string text;
  for (int n : numbers) text += (text.empty() ? "" : " ") + std::to_string(n);
  return text.empty() ? "none" : text;
}

int Download(CommandContext& ctx, std::vector<std::string> args) {
  const bool dryRun = TakeFlag(args, "--dry-run");
  int rc = kExitOk;
  std::string mapping;
  bool network = false;
  if (!TakeOption(ctx, args, "--network", mapping, network, rc, kUsage)) return rc;
  if (network) {
    if (!args.empty()) return ctx.Usage("--network names the files; give no other file.", kUsage);
    if (ctx.Options().module != 0)
      return ctx.Usage("--network names the modules; leave out --module.", kUsage);
    return NetworkDownloadCommand(ctx, mapping, dryRun);
  }
  if (args.size() != 1) return ctx.Usage("Give one parameter file.", kUsage);
  CParameterFile file;
  // A damaged file is refused before the line is even opened.
  if (!Load(ctx, args[0], file, rc)) return rc;
  Target target(ctx);
  parameters::ParameterDevice* device = target.Open();
  if (!device) return kExitFailed;
  ParameterTransfer transfer(target.Table(), *device);
  if (dryRun) {
    parameters::DeviceIdentity identity;
    if (!device->ReadVersion(identity)) return ctx.CommandFailed("ReadVersion");
    if (!ParameterTransfer::Compatible(file.version, identity))
      return ctx.Fail(std::string(ParameterTransfer::kNotCompatible) + "\nFile " + file.version +
                          ", " + target.Name() + " " + CParameterFile::VersionText(identity),
                      "notCompatible");
    ParameterTransfer::DownloadReport plan;
    if (!transfer.Plan(file, plan)) return ctx.Fail(plan.outcome.message, "badFile");
    std::vector<std::string> lines{"Would write to " + target.Name() + " (nothing is sent):"};
    std::vector<JsonWriter> rows;
    for (const auto& w : plan.written) {
      char line[160];
      std::snprintf(line, sizeof line, "  %3d  %-20s %s", w.number,
                    file.entries[static_cast<size_t>(w.number)].name.c_str(), Hex(w.value).c_str());
      lines.emplace_back(line);
      rows.push_back(JsonWriter()
                         .Add("number", static_cast<int>(w.number))
                         .Add("name", file.entries[static_cast<size_t>(w.number)].name)
                         .AddWord("value", w.value));
    }
    lines.push_back("Kept at the device's values: " + List(Numbers(plan.skipped)));
    return ctx.Done(lines, JsonWriter().Add("writes", rows).Add("skipped", Numbers(plan.skipped)));
  }
  InterruptGuard interrupts;
  transfer.SetStopCheck([] { return InterruptGuard::Count() > 0; });
  auto report = transfer.Download(file, ParameterTransfer::FailedWrite::kStopAtFailure, false);
  JsonWriter json = JsonWriter()
                        .Add("written", Numbers(report.written))
                        .Add("skipped", Numbers(report.skipped))
                        .Add("failed", Numbers(report.failed))
                        .Add("mismatched", Numbers(report.mismatched))
                        .Add("saved", report.saved)
                        .Add("restored", report.restored);
  if (!report.outcome.ok) {
    std::string code = "downloadFailed";
    std::string text = report.outcome.message;
    if (report.stopped) {
      code = "stopped";
      text += "\nThe download stopped before the EEPROM was written.";
    } else if (!report.failed.empty()) {
      code = "writeFailed";
      text += "\nWriting parameter " + std::to_string(report.failed.front()) +
              " failed; the download stopped and nothing was saved to the EEPROM.";
    } else if (!report.mismatched.empty() || report.readBackFailed) {
      code = "readBackFailed";
      text += "\nNothing was saved to the EEPROM.";
    } else if (!report.written.empty() && !report.saved) {
      code = "saveFailed";
      text += "\nThe parameters were written, but saving them to the EEPROM failed!";
    }
    if (!report.restored) code = "notRestored";
    if (!report.written.empty())
      text += "\nWritten to the temporary parameters: " + List(Numbers(report.written));
    return ctx.Fail(text, code);
  }
  return ctx.Done({report.outcome.message, "Written: " + List(Numbers(report.written)),
                   "Kept at the device's values: " + List(Numbers(report.skipped))},
                  json);
}

int Defaults(CommandContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) return ctx.Usage("defaults takes no arguments.", kUsage);
  Target target(ctx);
  parameters::ParameterDevice* device = target.Open();
  if (!device) return kExitFailed;
  ParameterTransfer transfer(target.Table(), *device);
  // A stop request waits until the drive is put back: the defaults go in one block.
  InterruptGuard interrupts;
  auto outcome = transfer.DownloadDefaults();
  if (!outcome.ok) return ctx.Fail(outcome.message, "downloadFailed");
  return ctx.Done({outcome.message}, JsonWriter());
}

int Params(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.empty())
    return ctx.Usage("Say upload, show, export, diff, download or defaults.", kUsage);
  std::vector<std::string> rest(args.begin() + 1, args.end());
  const std::string& verb = args[0];
  if (verb == "upload") return Upload(ctx, rest);
  if (verb == "show") return Show(ctx, rest);
  if (verb == "export") return Export(ctx, rest);
  if (verb == "diff") {
    if (rest.size() == 1) return DiffDevice(ctx, rest[0]);
    if (rest.size() == 2) return DiffFiles(ctx, rest[0], rest[1]);
    return ctx.Usage("Give a parameter file, or two.", kUsage);
  }
  if (verb == "download") return Download(ctx, rest);
  if (verb == "defaults") return Defaults(ctx, rest);
  return ctx.Usage("Unknown params command '" + verb + "'.", kUsage);
}

}  // namespace

void RegisterParameterFileCommands(CommandRegistry& registry) {
  registry.Add({"params", "parameter files: upload, show, export, diff, download, defaults", kUsage,
                [](CommandContext& c, const std::vector<std::string>& a) { return Params(c, a); }});
}

}  // namespace zel::cli
