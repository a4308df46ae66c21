// The simulated ZEL comes before any Qt header: Qt defines "forever" as a macro.
#include "gui/InProcessZel.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include "app/CMainFrame.h"
#include "files/PendingTemporaries.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "link/ExchangeTrace.h"
#include "link/PosixSerialChannel.h"
#include "ui/Host.h"

namespace {

// The device's own help, asked for after --simulate.
bool WantsDeviceHelp(const std::vector<std::string>& deviceArguments) {
  for (const std::string& argument : deviceArguments)
    if (argument == "--help" || argument == "-h" || argument == "--version") return true;
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  // What follows --simulate belongs to the simulated ZEL; Qt sees only the program's own.
  std::vector<std::string> arguments(argv, argv + argc);
  std::vector<std::string> deviceArguments;
  const bool simulate = zel::gui::InProcessZel::SplitArguments(arguments, deviceArguments);
  std::vector<char*> programArgv;
  for (std::string& argument : arguments) programArgv.push_back(argument.data());
  programArgv.push_back(nullptr);
  int programArgc = static_cast<int>(arguments.size());
  QCoreApplication::setApplicationName("ZEL_UserInterface");
  QCoreApplication::setApplicationVersion(ZEL_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription("ZEL service tool");
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption port("port", "Serial port to use (Com1 to Com10).", "ComN");
  QCommandLineOption device("device", "Serial device path, whatever the port name says.", "PATH");
  // For headless runs (the demo under Xvfb, CI): save the main window and leave on a timer.
  QCommandLineOption screenshot("screenshot", "Save a picture of the main window to FILE.", "FILE");
  QCommandLineOption quitAfter("quit-after", "Close the program after MS milliseconds.", "MS");
  QCommandLineOption package("package", "Register the firmware package FILE at start.", "FILE");
  QCommandLineOption trace("trace", "Write every exchange with the ZEL to FILE, decoded.", "FILE");
  QCommandLineOption startMonitor("start-monitor",
                                  "Start the polling monitor once the ZEL's identity is read, "
                                  "without asking.");
  QCommandLineOption settings("settings",
                              "Keep the settings file ZEL_UserInterface.dat in DIR (default: the "
                              "folder current at start).",
                              "DIR");
  // For the start-up bench: a line on stderr the moment each stage is reached.
  QCommandLineOption reportStart("report-start",
                                 "Write \"zelgui: window \\\"TITLE\\\"\" and \"zelgui: shown\" "
                                 "to stderr when the main window is up, and \"zelgui: online\" "
                                 "when the monitor first finds the ZEL online.");
  // Only shown in the help: main takes it and what follows out of the arguments first.
  QCommandLineOption simulateOption(
      "simulate",
      "Run a simulated ZEL inside the program and connect to it. Every argument after it is a "
      "device option, as zelsim takes them (--simulate --help lists them).");
  QCommandLineOption noWizards("no-wizards",
                               "Open no wizard at start, whatever the settings file says.");
  parser.addOption(port);
  parser.addOption(device);
  parser.addOption(screenshot);
  parser.addOption(quitAfter);
  parser.addOption(package);
  parser.addOption(trace);
  parser.addOption(startMonitor);
  parser.addOption(settings);
  parser.addOption(noWizards);
  parser.addOption(reportStart);
  parser.addOption(simulateOption);

  // Help and version are answered before the display is opened: without one (a terminal over
  // ssh, a build machine) QApplication ends the program before it could say anything. Options
  // only Qt knows (-platform, -style) make this parse fail; those runs go on as usual.
  QStringList programArguments;
  for (const std::string& argument : arguments)
    programArguments << QString::fromLocal8Bit(argument.c_str());
  if (parser.parse(programArguments) &&
      (parser.isSet("help") || parser.isSet("help-all") || parser.isSet("version"))) {
    QCoreApplication core(programArgc, programArgv.data());
    parser.process(core);  // shows the text and ends the program
    return 0;
  }
  if (simulate && WantsDeviceHelp(deviceArguments)) {
    zel::gui::InProcessZel helpOnly;
    std::string message;
    if (helpOnly.Start(deviceArguments, message) == zel::gui::InProcessZel::Outcome::kHelpShown) {
      std::fputs(message.c_str(), stdout);
      return 0;
    }
  }

  QApplication app(programArgc, programArgv.data());
  // A file write cut short by a signal leaves no temporary file beside its target.
  zel::files::PendingTemporaries::InstallSignalHandlers();
  parser.process(app);

  // Declared before the frame, so the device outlives every exchange the frame's threads make.
  zel::gui::InProcessZel simulatedZel;
  if (simulate) {
    if (parser.isSet(device)) {
      std::fprintf(stderr, "zelgui: --device and --simulate exclude each other\n");
      return 2;
    }
    std::string message;
    switch (simulatedZel.Start(deviceArguments, message)) {
      case zel::gui::InProcessZel::Outcome::kRunning:
        break;
      case zel::gui::InProcessZel::Outcome::kHelpShown:
        std::fputs(message.c_str(), stdout);
        return 0;
      case zel::gui::InProcessZel::Outcome::kUsageError:
        std::fprintf(stderr, "zelgui: %s\n", message.c_str());
        return 2;
      case zel::gui::InProcessZel::Outcome::kFailed:
        std::fprintf(stderr, "zelgui: cannot start the simulated ZEL: %s\n", message.c_str());
        return 1;
    }
    // Where the device is, so zelctl or socat can reach it too.
    std::fprintf(stderr, "zelgui: simulating a ZEL at %s (%u bit/s)\n",
                 simulatedZel.LinkPath().c_str(), simulatedZel.Baud());
  }

  zel::gui::QtHost host;
  zel::link::ChannelOpener opener;
  if (parser.isSet(device))
    opener = zel::link::PosixSerialChannel::OpenerForPath(parser.value(device).toStdString());
  if (simulate) opener = zel::link::PosixSerialChannel::OpenerForPath(simulatedZel.LinkPath());
  // Declared before the frame so that the trace outlives every exchange the frame's threads make.
  std::ofstream traceFile;
  std::unique_ptr<zel::link::ExchangeTrace> exchangeTrace;
  if (parser.isSet(trace)) {
    const std::string path = parser.value(trace).toStdString();
    traceFile.open(path, std::ios::out | std::ios::app);
    if (!traceFile) {
      std::fprintf(stderr, "zelgui: cannot write the trace file %s\n", path.c_str());
      return 2;
    }
    exchangeTrace = std::make_unique<zel::link::ExchangeTrace>(traceFile);
  }
  zel::app::CMainFrame frame(opener);
  if (exchangeTrace) frame.Communication().Link().SetObserver(exchangeTrace.get());
  if (parser.isSet(settings)) {
    std::error_code error;
    const std::filesystem::path directory =
        std::filesystem::absolute(parser.value(settings).toStdString(), error);
    if (error || !std::filesystem::is_directory(directory, error)) {
      std::fprintf(stderr, "zelgui: --settings needs an existing folder: %s\n",
                   qPrintable(parser.value(settings)));
      return 2;
    }
    frame.SetSettingsDirectory(directory);
  }
  // The stored serial settings reopen the link; the options below override them for this run.
  frame.LoadSettings();
  const std::string storedPort = frame.Communication().Settings().portName;
  if (parser.isSet(port)) {
    frame.Communication().Settings().portName = parser.value(port).toStdString();
    frame.Communication().ReopenLink();
  }

  if (parser.isSet(package)) {
    const std::string path = parser.value(package).toStdString();
    if (frame.RegisterPackage(path) == 0)
      std::fprintf(stderr, "zelgui: no new firmware version registered from %s\n", path.c_str());
  }
  // The desktop program adjusts itself to the connected ZEL's firmware at every identity read.
  frame.SetFirmwareCheckOnRefresh(true);

  zel::gui::QtMainWindow window(frame);
  if (simulate) window.setWindowTitle(window.windowTitle() + zel::gui::InProcessZel::kTitleMark);
  host.SetMainWidget(&window);
  frame.SetCloseHandler([&window] { window.close(); });
  window.show();
  // Once the window is up: the wizards marked to open at start, the identity, the monitor.
  const bool monitorAtStart = parser.isSet(startMonitor);
  const bool wizardsAtStart = !parser.isSet(noWizards);
  const bool report = parser.isSet(reportStart);
  if (report) {
    // Before the monitor starts; the observer runs on the monitor's thread.
    frame.Monitor().SetCycleObserver([reported = std::make_shared<std::atomic<bool>>(false)](
                                         const zel::monitor::MonitorCycle& cycle) {
      if (cycle.online && !reported->exchange(true)) {
        std::fputs("zelgui: online\n", stderr);
        std::fflush(stderr);
      }
    });
  }
  QTimer::singleShot(0, &window, [&frame, &window, monitorAtStart, wizardsAtStart, report] {
    if (report) {
      std::fprintf(stderr, "zelgui: window \"%s\"\n", qPrintable(window.windowTitle()));
      std::fputs("zelgui: shown\n", stderr);
      std::fflush(stderr);
    }
    frame.RunStartup(wizardsAtStart, monitorAtStart);
  });
  if (parser.isSet(quitAfter)) {
    bool ok = false;
    int ms = parser.value(quitAfter).toInt(&ok);
    if (!ok || ms < 0) {
      std::fprintf(stderr, "zelgui: --quit-after needs a number of milliseconds\n");
      return 2;
    }
    QString file = parser.value(screenshot);
    QTimer::singleShot(ms, &window, [&window, file] {
      if (!file.isEmpty() && !window.grab().save(file))
        std::fprintf(stderr, "zelgui: cannot save %s\n", qPrintable(file));
      window.close();
      // Also ends the loop of a question or wizard still open at start.
      QCoreApplication::exit(0);
    });
  } else if (parser.isSet(screenshot)) {
    QString file = parser.value(screenshot);
    QTimer::singleShot(1000, &window, [&window, file] {
      if (!window.grab().save(file))
        std::fprintf(stderr, "zelgui: cannot save %s\n", qPrintable(file));
    });
  }
  const int result = app.exec();
  // --port was for this run only; a port the user chose in the program since is kept.
  if (parser.isSet(port) &&
      frame.Communication().Settings().portName == parser.value(port).toStdString())
    frame.Communication().Settings().portName = storedPort;
  // Every close keeps the settings; a failed write leaves the previous file as it was.
  frame.SaveSettings();
  return result;
}
