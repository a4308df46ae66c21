#pragma once

#include <QFontMetrics>
#include <QString>
#include <QWidget>

namespace zel::gui {

// An edit never narrower than a signed 16-bit value needs: squeezed by a row of buttons or a
// grid, it would show "000" for 20000, a value a technician reads wrong.
inline void KeepRoomForWord(QWidget* edit) {
  const QFontMetrics metrics = edit->fontMetrics();
  edit->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("-32768")) +
                        3 * metrics.averageCharWidth());
}

}  // namespace zel::gui
