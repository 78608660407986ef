#pragma once

#include <functional>

#include <QWidget>

namespace vn340 {

// The help tip's own window: frameless, on top, never activated; it paints and passes its
// pointer events on through the callbacks.
class TipWindow : public QWidget {
  public:
    struct Callbacks {
        std::function<void(QPainter&)> paint;
        std::function<void(QMouseEvent*)> mouseMove;
        std::function<void(QMouseEvent*)> mousePress;
        std::function<void()> dismiss;  // double clicks and the wheel
        std::function<void()> leave;
    };

    TipWindow(QWidget* owner, Callbacks callbacks);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    Callbacks callbacks_;
};

}  // namespace vn340
