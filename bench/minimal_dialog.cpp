// The yardstick of the start-up benchmark: the smallest Qt Widgets dialog program, a label and
// an OK button, started and measured exactly like vn340-config.

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/startup_probe.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Minimal dialog"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Hello."), &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    int status = 0;
    vn340::installStartupProbe(dialog, vn340::StartupProbeOptions::fromEnvironment(), [&](bool ok) {
        status = ok ? 0 : 1;
        dialog.done(QDialog::Rejected);
    });
    dialog.exec();
    return status;
}
