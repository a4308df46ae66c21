#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include "app/CMainFrame.h"
#include "link/PosixSerialChannel.h"
#include "ui/qt/QtHost.h"
#include "ui/qt/QtMainWindow.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("ZEL_UserInterface");

  QCommandLineParser parser;
  parser.setApplicationDescription("ZEL service tool");
  parser.addHelpOption();
  QCommandLineOption port("port", "Serial port to use (Com1 to Com10).", "ComN");
  QCommandLineOption device("device", "Serial device path, whatever the port name says.", "PATH");
  parser.addOption(port);
  parser.addOption(device);
  parser.process(app);

  zel::ui::qt::QtHost host;
  zel::link::ChannelOpener opener;
  if (parser.isSet(device))
    opener = zel::link::PosixSerialChannel::OpenerForPath(parser.value(device).toStdString());
  zel::app::CMainFrame frame(opener);
  if (parser.isSet(port)) {
    frame.Communication().Settings().portName = parser.value(port).toStdString();
    frame.Communication().ReopenLink();
  }

  zel::ui::qt::QtMainWindow window(frame);
  host.SetMainWidget(&window);
  frame.SetCloseHandler([&window] { window.close(); });
  window.show();
  // Like the start-up sequence: read the ZEL's identity once the window is up.
  QTimer::singleShot(0, &window, [&frame] { frame.Refresh(); });
  return app.exec();
}
