#include "app/typing_undo.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <optional>

#include "app/safety_net.h"

namespace vn340 {
namespace {

// True for a redo key, false for an undo key: the window's keys and the desktop's own.
std::optional<bool> redoKey(const QKeyEvent& key, const SafetyNet& steps) {
    const QKeySequence pressed(key.keyCombination());
    if (key.matches(QKeySequence::Undo) || steps.undoAction().shortcuts().contains(pressed)) {
        return false;
    }
    if (key.matches(QKeySequence::Redo) || steps.redoAction().shortcuts().contains(pressed)) {
        return true;
    }
    return std::nullopt;
}

// The Undo or Redo entry of a box's standard menu, known by its text as the box wrote it, in
// whichever language: line edits and text edits each name theirs.
std::optional<bool> redoEntry(const QAction& entry) {
    const QString text = entry.text().section(QLatin1Char('\t'), 0, 0);
    for (const char* context : {"QLineEdit", "QWidgetTextControl"}) {
        if (text == QCoreApplication::translate(context, "&Undo")) {
            return false;
        }
        if (text == QCoreApplication::translate(context, "&Redo")) {
            return true;
        }
    }
    return std::nullopt;
}

bool ownTyping(const QWidget& box, bool redo) {
    if (const auto* line = qobject_cast<const QLineEdit*>(&box)) {
        return redo ? line->isRedoAvailable() : line->isUndoAvailable();
    }
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(&box)) {
        return redo ? text->document()->isRedoAvailable() : text->document()->isUndoAvailable();
    }
    return false;
}

}  // namespace

TypingUndo::TypingUndo(SafetyNet& steps, QObject* parent) : QObject(parent), steps_(steps) {}

void TypingUndo::watch(QLineEdit& box) {
    box.installEventFilter(this);
    box.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&box, &QWidget::customContextMenuRequested, this, [this, &box](const QPoint& at) {
        showMenu(box, box.createStandardContextMenu(), box.mapToGlobal(at));
    });
}

void TypingUndo::watch(QPlainTextEdit& box) {
    box.installEventFilter(this);
    box.setContextMenuPolicy(Qt::CustomContextMenu);
    // A scroll area reports the place in its viewport.
    connect(&box, &QWidget::customContextMenuRequested, this, [this, &box](const QPoint& at) {
        showMenu(box, box.createStandardContextMenu(at), box.viewport()->mapToGlobal(at));
    });
}

void TypingUndo::forget(QLineEdit& box) {
    if (!box.isUndoAvailable() && !box.isRedoAvailable()) {
        return;
    }
    // Setting the text is a line edit's only way to forget; the cursor and the selection stay
    // where the pilot left them.
    const int cursor = box.cursorPosition();
    const int start = box.selectionStart();
    const int length = static_cast<int>(box.selectedText().size());
    box.setText(box.text());
    if (start < 0) {
        box.setCursorPosition(cursor);
    } else if (cursor == start) {
        box.setSelection(start + length, -length);
    } else {
        box.setSelection(start, length);
    }
}

void TypingUndo::forget(QPlainTextEdit& box) {
    box.document()->clearUndoRedoStacks();
}

bool TypingUndo::eventFilter(QObject* watched, QEvent* event) {
    const bool override = event->type() == QEvent::ShortcutOverride;
    if (!override && event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    const std::optional<bool> redo = redoKey(*static_cast<QKeyEvent*>(event), steps_);
    if (!redo) {
        return QObject::eventFilter(watched, event);
    }
    // The box claims the key, so that no shortcut of the window's runs as well; its press then
    // decides whose step it takes back.
    event->accept();
    if (!override) {
        takeBack(*static_cast<QWidget*>(watched), *redo);
    }
    return true;
}

void TypingUndo::takeBack(QWidget& box, bool redo) {
    if (ownTyping(box, redo)) {
        if (auto* line = qobject_cast<QLineEdit*>(&box)) {
            redo ? line->redo() : line->undo();
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(&box)) {
            redo ? text->redo() : text->undo();
        }
        return;
    }
    redo ? steps_.redo() : steps_.undo();
}

void TypingUndo::showMenu(QWidget& box, QMenu* menu, const QPoint& at) {
    for (QAction* entry : menu->actions()) {
        const std::optional<bool> isRedo = redoEntry(*entry);
        if (!isRedo) {
            continue;
        }
        const bool redo = *isRedo;
        const QAction& window = redo ? steps_.redoAction() : steps_.undoAction();
        const bool own = ownTyping(box, redo);
        if (!own) {
            // "&Undo\tCtrl+Z" becomes "&Undo High endpoint\tCtrl+Z": the step it takes back.
            const QString text = entry->text();
            const qsizetype keys = text.indexOf(QLatin1Char('\t'));
            entry->setText(QLatin1Char('&') + window.text() +
                           (keys < 0 ? QString() : text.mid(keys)));
        }
        entry->setEnabled(own || window.isEnabled());
        disconnect(entry, &QAction::triggered, nullptr, nullptr);
        connect(entry, &QAction::triggered, this, [this, &box, redo] { takeBack(box, redo); });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(at);
}

}  // namespace vn340
