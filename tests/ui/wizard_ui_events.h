// Mouse and key events sent straight to a widget, as a user's click would
// arrive (the window tests need no QtTest library).
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace tessalin::test {

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
  const QPointF local(pos);
  const QPointF global(widget->mapToGlobal(pos));
  QMouseEvent event(type, local, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

inline QPoint Centre(const QWidget* widget) { return widget->rect().center(); }

inline void MouseClick(QWidget* widget, QPoint pos) {
  SendMouse(widget, QEvent::MouseButtonPress, pos, Qt::LeftButton);
  SendMouse(widget, QEvent::MouseButtonRelease, pos, Qt::NoButton);
}
inline void MouseClick(QWidget* widget) { MouseClick(widget, Centre(widget)); }

// The second half of a double-click, after a first MouseClick.
inline void MouseDoubleClick(QWidget* widget, QPoint pos) {
  MouseClick(widget, pos);
  SendMouse(widget, QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
  SendMouse(widget, QEvent::MouseButtonRelease, pos, Qt::NoButton);
}

inline void KeyClick(QWidget* widget, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

}  // namespace tessalin::test
