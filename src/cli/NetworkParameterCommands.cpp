#include "cli/NetworkParameterCommands.h"

#include <memory>
#include <vector>

#include "can/CanModule.h"
#include "can/GatewayLine.h"
#include "can/ModuleParameterDevice.h"
#include "cli/CommandContext.h"
#include "cli/InterruptGuard.h"
#include "cli/NumberArgument.h"
#include "link/ZelCommunication.h"
#include "parameters/CParameterFile.h"
#include "parameters/ModuleSearch.h"
#include "parameters/NetworkAssignment.h"
#include "parameters/NetworkDownload.h"
#include "parameters/NetworkUpload.h"

namespace zel::cli {

namespace {

using parameters::NetworkAssignment;

std::vector<std::string> Lines(const std::string& report) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= report.size();) {
    std::size_t end = report.find('\n', start);
    if (end == std::string::npos) end = report.size();
    lines.push_back(report.substr(start, end - start));
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

parameters::NetworkUpload::DeviceFor ModuleDevices(can::CanModule& module) {
  return [&module](std::uint16_t id) -> std::unique_ptr<parameters::ParameterDevice> {
    return std::make_unique<can::ModuleParameterDevice>(module, id);
  };
}

struct Pair {
  std::uint16_t id = 0;
  std::string path;
};

// "5=a.udf,6=b.udf"; false with the reason for a pair that is no ID and file, or an ID given
// twice (one module cannot take two files).
bool ParseMapping(const std::string& mapping, std::vector<Pair>& pairs, std::string& why) {
  for (std::size_t start = 0; start <= mapping.size();) {
    std::size_t end = mapping.find(',', start);
    if (end == std::string::npos) end = mapping.size();
    const std::string item = mapping.substr(start, end - start);
    start = end + 1;
    const std::size_t equals = item.find('=');
    if (equals == std::string::npos || equals + 1 >= item.size()) {
      why = "'" + item + "' is no module ID=FILE pair.";
      return false;
    }
    int64_t id = 0;
    std::string numberWhy;
    if (!NumberArgument(item.substr(0, equals)).ToInteger(1, 127, id, numberWhy)) {
      why = "'" + item + "': module ID " + numberWhy;
      return false;
    }
    for (const Pair& known : pairs) {
      if (known.id == id) {
        why = "Module " + std::to_string(id) + " is given two files.";
        return false;
      }
    }
    pairs.push_back({static_cast<std::uint16_t>(id), item.substr(equals + 1)});
  }
  return true;
}

}  // namespace

int NetworkUploadCommand(CommandContext& ctx, const std::string& path, const std::string& visum,
                         const std::string& comment, std::uint16_t lastId) {
  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  can::CanModule* module = ctx.Module();
  if (!module) return kExitFailed;
  link::CanGateway& gateway = zel->Can();
  can::GatewayLine line(zel->Link());
  // An ID counts as absent only when the gateway took the question and no module replied; a
  // line that stops answering ends the scan, and nothing is uploaded.
  bool lineDead = false;
  parameters::ModuleSearch search(
      [&gateway, &line, &lineDead](std::uint16_t id) {
        std::uint16_t answered = 0;
        const can::GatewayLine::Reach reach =
            line.Ask([&] { return gateway.ReadModuleIdOf(id, answered); });
        lineDead = reach == can::GatewayLine::Reach::kLineDead;
        return reach == can::GatewayLine::Reach::kAnswered;
      },
      lastId);
  bool scanStopped = false;
  {
    InterruptGuard guard;
    while (!lineDead && search.Step()) {
      if (InterruptGuard::Count() != 0) {
        scanStopped = true;
        break;
      }
    }
  }
  ctx.Err() << "zelctl: " << search.CounterText() << '\n';
  if (lineDead)
    return ctx.Fail(std::string(can::GatewayLine::kDead) + "\nNothing was uploaded.", "lineDead");
  if (scanStopped) return ctx.Fail("Stopped during the search. Nothing was uploaded.", "stopped");
  const std::vector<std::uint16_t>& found = search.Found();
  if (found.empty()) return ctx.Fail("No module answered on the CAN bus.", "noModules");
  parameters::NetworkUpload upload(zel->Definitions(), ModuleDevices(*module), found, path, visum,
                                   comment);
  // A module that failed may have failed because the line went: the module operations know
  // whether their last exchanges found the gateway itself silent.
  upload.SetLineCheck([module]() -> std::string {
    return module->LineDead() ? can::GatewayLine::kDead : std::string();
  });
  {
    // Ctrl-C, SIGTERM and SIGHUP stop between two modules, as the progress dialog's Stop does;
    // the module in hand is finished and put back.
    InterruptGuard guard;
    while (!upload.Done()) {
      if (InterruptGuard::Count() != 0) upload.Stop();
      upload.Step();
    }
  }
  const std::vector<std::string> lines = Lines(upload.Report());
  JsonWriter json = JsonWriter().Add("files", upload.Files()).Add("report", upload.Report());
  if (!upload.BrokenOff().empty() || upload.NotRestored() != 0 ||
      upload.Succeeded() != found.size()) {
    for (const auto& text : lines) ctx.Err() << text << '\n';
    if (!upload.BrokenOff().empty())
      return ctx.Fail(upload.BrokenOff() + "\nUploaded " + std::to_string(upload.Succeeded()) +
                          " of " + std::to_string(found.size()) + " modules.",
                      "lineDead");
    if (upload.NotRestored() != 0 && upload.Succeeded() == found.size())
      return ctx.Fail("Every module was uploaded, but the enabling of " +
                          std::to_string(upload.NotRestored()) +
                          " could not be put back (see above).",
                      "notRestored");
    return ctx.Fail("The upload failed for " + std::to_string(found.size() - upload.Succeeded()) +
                        " of " + std::to_string(found.size()) + " modules.",
                    "uploadFailed");
  }
  return ctx.Done(lines, json);
}

int NetworkDownloadCommand(CommandContext& ctx, const std::string& mapping, bool dryRun) {
  std::vector<Pair> pairs;
  std::string why;
  if (!ParseMapping(mapping, pairs, why))
    return ctx.Usage(why, "zelctl params download --network ID=FILE[,ID=FILE...]");
  // Files that are no parameter files are refused before the line is opened.
  NetworkAssignment assignment;
  for (const Pair& pair : pairs)
    if (!assignment.AddFile(pair.path, why)) return ctx.Fail(why + "\n" + pair.path, "badFile");
  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  can::CanModule* module = ctx.Module();
  if (!module) return kExitFailed;
  const auto deviceFor = ModuleDevices(*module);
  for (const Pair& pair : pairs) {
    parameters::DeviceIdentity identity;
    std::string version;
    if (deviceFor(pair.id)->ReadVersion(identity))
      version = parameters::CParameterFile::VersionText(identity);
    assignment.AddModule(pair.id, version);
  }
  // Every pair as the dialog's assignment takes it; one refusal and nothing is written.
  std::vector<parameters::NetworkDownload::Entry> entries;
  std::vector<JsonWriter> rows;
  for (const Pair& pair : pairs) {
    int fileRow = -1;
    for (std::size_t i = 0; i < assignment.Files().size(); ++i)
      if (assignment.Files()[i].path == pair.path) fileRow = static_cast<int>(i);
    const int moduleRow = assignment.ModuleRow(pair.id);
    const std::string refusal = assignment.Assign(fileRow, moduleRow);
    const auto& file = assignment.Files()[static_cast<std::size_t>(fileRow)];
    const auto& target = assignment.Modules()[static_cast<std::size_t>(moduleRow)];
    if (!refusal.empty()) {
      const std::string detail =
          target.version.empty()
              ? "Module " + std::to_string(pair.id) + " does not answer its version."
              : "File " + pair.path + " (" + file.version + "), module " + std::to_string(pair.id) +
                    " (" + target.version + ").";
      return ctx.Fail(refusal + "\n" + detail + "\nNothing was written.", "notCompatible");
    }
    entries.push_back({pair.id, pair.path});
    rows.push_back(JsonWriter()
                       .Add("moduleId", pair.id)
                       .Add("file", pair.path)
                       .Add("fileVersion", file.version)
                       .Add("moduleVersion", target.version));
  }
  if (dryRun) {
    std::vector<std::string> lines{"Would download (nothing is sent):"};
    for (const Pair& pair : pairs)
      lines.push_back("   Module " + std::to_string(pair.id) + ": " + pair.path);
    return ctx.Done(lines, JsonWriter().Add("modules", rows));
  }
  parameters::NetworkDownload download(zel->Definitions(), deviceFor, std::move(entries));
  {
    InterruptGuard guard;
    while (!download.Done()) {
      if (InterruptGuard::Count() != 0) download.Stop();
      download.Step();
    }
  }
  const std::vector<std::string> lines = Lines(download.Report());
  JsonWriter json = JsonWriter()
                        .Add("modules", rows)
                        .Add("downloaded", static_cast<int>(download.Downloaded()))
                        .Add("report", download.Report());
  if (download.Downloaded() != pairs.size()) {
    for (const auto& line : lines) ctx.Err() << line << '\n';
    return ctx.Fail("The download failed or was stopped for " +
                        std::to_string(pairs.size() - download.Downloaded()) + " of " +
                        std::to_string(pairs.size()) + " modules.",
                    "downloadFailed");
  }
  return ctx.Done(lines, json);
}

}  // namespace zel::cli
