#pragma once

// The statistics upload as the pilot sees it: the request's status texts as they come, a busy
// bar and "Cancel", instead of a window that seems frozen while the service is slow. Opened
// window-modal over the main window, which stays blocked meanwhile; Cancel, Escape and the
// close box all reject, which is how the upload learns it is cancelled.

#include <QDialog>
#include <QString>

class QLabel;

namespace vn340 {

class UploadProgressDialog : public QDialog {
    Q_OBJECT
  public:
    explicit UploadProgressDialog(QWidget* window);

    void showStatus(const QString& text);
    QString status() const;

  private:
    QLabel* status_;
};

}  // namespace vn340
