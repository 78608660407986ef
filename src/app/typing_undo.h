#pragma once

// Undo and redo where the pilot types. In a number box or the comment box, Ctrl+Z, Ctrl+Shift+Z
// and Ctrl+Y, and the Undo and Redo of the box's own menu, first take back the typing the
// window has not yet taken from the box, and then the window's steps, in the order they were
// made. Left alone, a box would keep these keys to itself even with nothing of its own to undo,
// reach back past typing already taken into a step, and on some desktops let Ctrl+Y pass to
// the window over its own typing.

#include <QObject>

class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPoint;
class QWidget;

namespace vn340 {

class SafetyNet;

class TypingUndo : public QObject {
  public:
    explicit TypingUndo(SafetyNet& steps, QObject* parent = nullptr);

    void watch(QLineEdit& box);
    void watch(QPlainTextEdit& box);

    // The box's typing has been taken into the configuration: from here on it is undone as a
    // step of the window's, and the box keeps nothing of it to undo on its own.
    static void forget(QLineEdit& box);
    static void forget(QPlainTextEdit& box);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void takeBack(QWidget& box, bool redo);
    void showMenu(QWidget& box, QMenu* menu, const QPoint& at);

    SafetyNet& steps_;
};

}  // namespace vn340
