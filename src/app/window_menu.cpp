#include "app/window_menu.h"

#include <QAction>
#include <QDialog>
#include <QEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "app/window_controls.h"

namespace vn340 {

WindowMenu::WindowMenu(QDialog& window, const WindowControls& controls, const Shared& shared,
                       std::function<void()> beforeShow, std::function<void()> about)
    : QObject(&window), window_(window) {
    using C = Control;
    const auto button = [&controls](Control id) { return controls.as<QPushButton>(id); };
    const SafetyNet::Commands& net = shared.safetyNet;

    QMenu& file = *controls.fileMenu;
    file.addAction(mirror(button(C::LoadFromFile), QStringLiteral("&Load from file\u2026"),
                          "menuLoadFromFile", QKeySequence(Qt::CTRL | Qt::Key_O)));
    file.addAction(mirror(button(C::SaveToFile), QStringLiteral("&Save to file\u2026"),
                          "menuSaveToFile", QKeySequence(Qt::CTRL | Qt::Key_S)));
    file.addSeparator();
    file.addAction(net.history);
    file.addSeparator();
    QAction* quit = file.addAction(QStringLiteral("&Quit"));
    quit->setObjectName(QStringLiteral("menuQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::WindowShortcut);
    window.addAction(quit);
    // As the close box does: the window's closing steps.
    connect(quit, &QAction::triggered, &window, &QDialog::close);

    QMenu& edit = *controls.editMenu;
    edit.addAction(net.undo);
    edit.addAction(net.redo);
    edit.addAction(net.revert);
    edit.addAction(
        mirror(button(C::LoadDefaults), QStringLiteral("Load &defaults"), "menuLoadDefaults", {}));
    edit.addSeparator();
    edit.addAction(net.compare);

    QMenu& gyro = *controls.gyroMenu;
    gyro.addAction(
        mirror(button(C::ReadFromGyro), QStringLiteral("&Read from gyro"), "menuReadFromGyro", {}));
    gyro.addAction(
        mirror(button(C::StoreToGyro), QStringLiteral("&Store to gyro"), "menuStoreToGyro", {}));
    gyro.addAction(net.compareWithGyro);
    gyro.addSeparator();
    gyro.addAction(shared.diagnostics);
    gyro.addAction(shared.liveSignals);
    gyro.addSeparator();
    gyro.addAction(mirror(button(C::Detect), QStringLiteral("&Detect\u2026"), "menuDetect", {}));

    QMenu& help = *controls.helpMenu;
    help.addAction(mirror(button(C::Help), QStringLiteral("&Help"), "menuHelp",
                          QKeySequence(QKeySequence::HelpContents)));
    QAction* aboutAction = help.addAction(QStringLiteral("&About"));
    aboutAction->setObjectName(QStringLiteral("menuAbout"));
    connect(aboutAction, &QAction::triggered, &window, std::move(about));

    for (QMenu* menu : {&file, &edit, &gyro, &help}) {
        connect(menu, &QMenu::aboutToShow, &window, beforeShow);
    }
}

QAction* WindowMenu::mirror(QPushButton* button, const QString& text, const char* name,
                            const QKeySequence& key) {
    auto* action = new QAction(text, &window_);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setEnabled(button->isEnabled());
    window_.addAction(action);
    // The button's own click, so that the command is the button's in every respect.
    connect(action, &QAction::triggered, button, [button] {
        if (button->isEnabled()) {
            button->click();
        }
    });
    mirrors_[button] = action;
    button->installEventFilter(this);
    return action;
}

bool WindowMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        const auto found = mirrors_.find(watched);
        if (found != mirrors_.end()) {
            found->second->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vn340
