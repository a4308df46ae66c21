#pragma once

#include <QApplication>

namespace zel::gui {

// The one application object of the GUI tests, on the offscreen platform unless told otherwise.
// It is never destroyed: a static QApplication would outlive Qt's own statics at exit.
inline QApplication& QtTestApp() {
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *app;
}

}  // namespace zel::gui
