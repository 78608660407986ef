#pragma once

#include <QComboBox>

namespace vn340 {

// A drop-down list that reports when its list opens and closes; the port selector refreshes
// and opens the port there, the servo selector re-applies the servo's type and speed.
class DropDownList : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;
    void showPopup() override;
    void hidePopup() override;

  signals:
    void listOpened();
    void listClosed();

  private:
    bool listOpen_ = false;
};

}  // namespace vn340
