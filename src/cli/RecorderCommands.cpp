#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/CommandContext.h"
#include "cli/CommandRegistry.h"
#include "cli/OptionArguments.h"
#include "cli/ParameterRef.h"
#include "link/ZelCommunication.h"
#include "parameters/NumberText.h"
#include "recorder/CSetupRecorderDlg.h"
#include "recorder/RdaFile.h"
#include "recorder/Recorder.h"

namespace zel::cli {

namespace {

using recorder::RdaFile;
using recorder::RecordedData;
using recorder::RecorderSetup;

const char* kRecordUsage =
    "zelctl record --variable NAME|--address 0xADDR [--signed] --period MS [--jump VALUE] "
    "-o FILE.rda|FILE.txt|FILE.csv";
const char* kRdaUsage =
    "zelctl rda show FILE.rda\n"
    "       zelctl rda export FILE.rda OUT.txt|OUT.csv";

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

enum class OutputKind { kNone, kRda, kText, kCsv };

OutputKind KindOf(const std::string& path) {
  if (EndsWith(path, ".rda")) return OutputKind::kRda;
  if (EndsWith(path, ".txt")) return OutputKind::kText;
  if (EndsWith(path, ".csv")) return OutputKind::kCsv;
  return OutputKind::kNone;
}

bool Write(OutputKind kind, const std::string& path, const RecordedData& data, std::string& error) {
  switch (kind) {
    case OutputKind::kRda:
      return RdaFile::SaveRda(path, data, error);
    case OutputKind::kText:
      return RdaFile::ExportText(path, data, error);
    case OutputKind::kCsv:
      return RdaFile::ExportCsv(path, data, error);
    case OutputKind::kNone:
      break;
  }
  return false;
}

std::string Number(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// What a channel holds, as the show command and a recording report it.
struct ChannelSummary {
  std::size_t samples = 0;
  double firstTime = 0, lastTime = 0;
  bool anyValue = false;
  double minimum = 0, maximum = 0;
};

ChannelSummary Summarise(const recorder::Channel& channel) {
  ChannelSummary summary;
  summary.samples = channel.samples.size();
  if (!channel.samples.empty()) {
    summary.firstTime = channel.samples.front().time;
    summary.lastTime = channel.samples.back().time;
  }
  for (const recorder::Sample& sample : channel.samples) {
    const double v = sample.value.number;
    if (!sample.value.HasNumber() || !std::isfinite(v)) continue;
    summary.minimum = summary.anyValue ? std::min(summary.minimum, v) : v;
    summary.maximum = summary.anyValue ? std::max(summary.maximum, v) : v;
    summary.anyValue = true;
  }
  return summary;
}

std::string SummaryLine(const recorder::Channel& channel) {
  const ChannelSummary s = Summarise(channel);
  std::string line = "  " + std::to_string(channel.number) + "  " + channel.name + ": " +
                     std::to_string(s.samples) + " samples, every " +
                     std::to_string(channel.period) + " us";
  if (s.samples != 0)
    line += ", " + Number("%.3f", s.firstTime * 0.001) + " to " +
            Number("%.3f", s.lastTime * 0.001) + " ms";
  if (s.anyValue) line += ", values " + Number("%g", s.minimum) + " to " + Number("%g", s.maximum);
  return line;
}

JsonWriter ChannelJson(const recorder::Channel& channel) {
  const ChannelSummary s = Summarise(channel);
  JsonWriter json;
  json.Add("number", static_cast<int>(channel.number))
      .Add("name", channel.name)
      .Add("periodUs", channel.period)
      .Add("reserved", channel.reserved)
      .Add("samples", static_cast<int64_t>(s.samples));
  if (s.samples != 0) json.Add("firstTimeUs", s.firstTime).Add("lastTimeUs", s.lastTime);
  if (s.anyValue) json.Add("minimum", s.minimum).Add("maximum", s.maximum);
  return json;
}

int Record(CommandContext& ctx, std::vector<std::string> args) {
  int rc = kExitOk;
  std::string variable, address, period, jump, output;
  bool givenVariable = false, givenAddress = false, givenPeriod = false, givenJump = false,
       givenOutput = false;
  if (!TakeOption(ctx, args, "--variable", variable, givenVariable, rc, kRecordUsage) ||
      !TakeOption(ctx, args, "--address", address, givenAddress, rc, kRecordUsage) ||
      !TakeOption(ctx, args, "--period", period, givenPeriod, rc, kRecordUsage) ||
      !TakeOption(ctx, args, "--jump", jump, givenJump, rc, kRecordUsage) ||
      !TakeOption(ctx, args, "-o", output, givenOutput, rc, kRecordUsage))
    return rc;
  const bool isSigned = TakeFlag(args, "--signed");
  if (!args.empty()) return ctx.Usage("Unexpected '" + args[0] + "'.", kRecordUsage);
  if (givenVariable == givenAddress)
    return ctx.Usage("Give either --variable or --address.", kRecordUsage);
  if (isSigned && !givenAddress)
    return ctx.Usage("--signed goes with --address: a parameter brings its own format.",
                     kRecordUsage);
  if (!givenPeriod) return ctx.Usage("Give the sampling period with --period MS.", kRecordUsage);
  if (!givenOutput) return ctx.Usage("Give the file to write with -o FILE.", kRecordUsage);
  const OutputKind kind = KindOf(output);
  if (kind == OutputKind::kNone)
    return ctx.Usage("The file name ends in .rda, .txt or .csv.", kRecordUsage);

  // The set-up dialog's checks and messages.
  RecorderSetup setup;
  std::string message;
  if (!recorder::CSetupRecorderDlg::ParsePeriod(period, setup.samplePeriod, message))
    return ctx.Usage("--period: " + message, kRecordUsage);
  std::int16_t jumpValue = 0;
  if (givenJump) {
    const auto error = parameters::NumberText::ParseInt16(jump, jumpValue);
    if (error != parameters::NumberTextError::kNone)
      return ctx.Usage("--jump: " + parameters::NumberText::Message(error), kRecordUsage);
  }
  if (givenAddress) {
    const auto error = parameters::NumberText::ParseHex16(address, setup.variable);
    if (error != parameters::NumberTextError::kNone)
      return ctx.Usage("--address: " + parameters::NumberText::Message(error), kRecordUsage);
    setup.mode = RecorderSetup::kModeAddress;
    setup.signedFormat = isSigned ? 1 : 0;
  }

  link::ZelCommunication* zel = ctx.Zel();
  if (!zel) return kExitFailed;
  if (givenVariable) {
    parameters::ParameterDefinition definition;
    std::string why;
    switch (ParameterRef::Resolve(zel->Definitions(), variable, definition, why)) {
      case ParameterRef::Outcome::kFound:
        break;
      case ParameterRef::Outcome::kMalformed:
        return ctx.Usage("--variable: " + why, kRecordUsage);
      case ParameterRef::Outcome::kUnknown:
        return ctx.Fail("--variable: " + why, "unknownParameter");
    }
    if (definition.number < 128)
      return ctx.Usage("--variable: the recorder records status parameters (128 and above).",
                       kRecordUsage);
    setup.variable = static_cast<std::uint16_t>(definition.number);
    setup.mode = RecorderSetup::kModeParameter;
  }

  recorder::Recorder recorder(zel->Recorder());
  if (!recorder.Configure(setup)) return ctx.CommandFailed("SetupRecorder");
  if (givenJump) {
    switch (recorder.Jump(jumpValue)) {
      case recorder::Recorder::JumpOutcome::kDone:
        break;
      case recorder::Recorder::JumpOutcome::kRefused:
        return ctx.FailShown();
      case recorder::Recorder::JumpOutcome::kFailed:
        return ctx.CommandFailed("ReadRecordedData");
    }
  } else if (!recorder.Upload(0)) {
    return ctx.CommandFailed("ReadRecordedData");
  }

  const RecordedData& data = recorder.Data();
  std::string error;
  if (!Write(kind, output, data, error))
    return ctx.Fail("Failed saving data to file!\n" + error, "writeFailed");
  const recorder::Channel& channel = data.channels.front();
  return ctx.Done(
      {"Recorded " + std::to_string(channel.samples.size()) + " samples of " + channel.name +
           " every " + recorder::CSetupRecorderDlg::FormatPeriod(setup.samplePeriod) + " ms" +
           (givenJump ? " after a jump to " + std::to_string(jumpValue) : "") +
           " (upload time-out " + std::to_string(recorder.UploadTimeoutMs()) + " ms)",
       SummaryLine(channel), "Saved to: " + output},
      JsonWriter()
          .Add("file", output)
          .Add("samplePeriod", setup.samplePeriod)
          .Add("variable", setup.variable)
          .Add("mode", setup.mode)
          .Add("signedFormat", setup.signedFormat)
          .Add("jump", static_cast<int>(jumpValue))
          .Add("timeoutMs", recorder.UploadTimeoutMs())
          .Add("channel", ChannelJson(channel)));
}

bool LoadRecording(CommandContext& ctx, const std::string& path, RecordedData& data, int& rc) {
  std::string error;
  switch (RdaFile::LoadRda(path, data, error)) {
    case RdaFile::LoadResult::kOk:
      return true;
    case RdaFile::LoadResult::kOldVersion:
      rc = ctx.Fail(error, "oldVersion");
      return false;
    case RdaFile::LoadResult::kDamaged:
      rc = ctx.Fail(error, "badFile");
      return false;
    case RdaFile::LoadResult::kCannotOpen:
      rc = ctx.Fail(error, "cannotOpen");
      return false;
  }
  return false;
}

int Show(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 1) return ctx.Usage("Give one recorded-data file.", kRdaUsage);
  RecordedData data;
  int rc = kExitOk;
  if (!LoadRecording(ctx, args[0], data, rc)) return rc;
  std::vector<std::string> lines{std::to_string(data.channels.size()) + " channel" +
                                 (data.channels.size() == 1 ? "" : "s") + ":"};
  std::vector<JsonWriter> channels;
  for (const recorder::Channel& channel : data.channels) {
    lines.push_back(SummaryLine(channel));
    channels.push_back(ChannelJson(channel));
  }
  return ctx.Done(lines, JsonWriter().Add("file", args[0]).Add("channels", channels));
}

int Export(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.size() != 2) return ctx.Usage("Give the recorded-data file and the output.", kRdaUsage);
  const OutputKind kind = KindOf(args[1]);
  if (kind != OutputKind::kText && kind != OutputKind::kCsv)
    return ctx.Usage("The output ends in .txt or .csv.", kRdaUsage);
  RecordedData data;
  int rc = kExitOk;
  if (!LoadRecording(ctx, args[0], data, rc)) return rc;
  std::string error;
  if (!Write(kind, args[1], data, error))
    return ctx.Fail("Failed saving data to file!\n" + error, "writeFailed");
  return ctx.Done({"Saved to: " + args[1]}, JsonWriter().Add("file", args[1]));
}

int Rda(CommandContext& ctx, const std::vector<std::string>& args) {
  if (args.empty()) return ctx.Usage("Say show or export.", kRdaUsage);
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "show") return Show(ctx, rest);
  if (args[0] == "export") return Export(ctx, rest);
  return ctx.Usage("Unknown rda command '" + args[0] + "'.", kRdaUsage);
}

}  // namespace

void RegisterRecorderCommands(CommandRegistry& registry) {
  registry.Add({"record", "record a variable or address on the ZEL, with a jump if wanted",
                kRecordUsage,
                [](CommandContext& c, const std::vector<std::string>& a) { return Record(c, a); }});
  registry.Add({"rda", "recorded-data files: show, export", kRdaUsage,
                [](CommandContext& c, const std::vector<std::string>& a) { return Rda(c, a); }});
}

}  // namespace zel::cli
