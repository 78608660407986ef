#include "app/upload_progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/prompt_dialogs.h"
#include "app/qt_text.h"
#include "statistics/statistics_dialog_texts.h"

namespace vn340 {
namespace {

void place(QWidget* widget, int x, int y, int width, int height) {
    widget->setGeometry(dialogUnitsToPixelsX(x), dialogUnitsToPixelsY(y),
                        dialogUnitsToPixelsX(width), dialogUnitsToPixelsY(height));
}

}  // namespace

UploadProgressDialog::UploadProgressDialog(QWidget* window) : QDialog(window) {
    setFont(dialogFont());
    setWindowTitle(fromStd(statistics_dialog::kSendingTitle));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::WindowModal);
    setFixedSize(dialogUnitsToPixelsX(200), dialogUnitsToPixelsY(62));

    // Room for two lines: an error text of the connection can be long.
    status_ = new QLabel(this);
    status_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::PlainText);
    place(status_, 7, 7, 186, 18);

    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setAccessibleName(QStringLiteral("Sending"));
    place(busy, 7, 28, 186, 8);

    auto* cancel = new QPushButton(fromStd(statistics_dialog::kCancel), this);
    cancel->setAccessibleName(cancel->text());
    cancel->setDefault(true);
    place(cancel, 75, 41, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    cancel->setFocus();
}

void UploadProgressDialog::showStatus(const QString& text) {
    status_->setText(text);
    // Read out as it changes, like the text of a message.
    status_->setAccessibleName(text);
    setAccessibleDescription(text);
}

QString UploadProgressDialog::status() const {
    return status_->text();
}

}  // namespace vn340
