#include "app/window_help.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "controls/help_texts.h"
#include "markup/markup_plain_text.h"
#include "ui/painted_pictures.h"
#include "ui/slow_servo_tip.h"

namespace vn340 {

namespace {

// Where a notice's tail points: the box's top-right corner.
QPoint noticePoint(const QWidget& box) {
    return box.mapToGlobal(QPoint(box.width(), 0));
}

}  // namespace

bool isWindowSurface(const QWidget* under) {
    return under == nullptr || qobject_cast<const QLabel*>(under) != nullptr ||
           qobject_cast<const QGroupBox*>(under) != nullptr;
}

// Every event of the window and its controls goes to the tip, then to the window's help,
// before the window handles it. The filter sits on the application: a pointer move over a
// label, a group box or another widget that does not track the mouse reaches application
// filters only, and never its parent window.
class WindowHelp::EventRelay : public QObject {
  public:
    explicit EventRelay(WindowHelp& help) : help_(help) { qApp->installEventFilter(this); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched->isWidgetType()) {
            const auto* widget = static_cast<QWidget*>(watched);
            if (widget == &help_.window_ || help_.window_.isAncestorOf(widget)) {
                help_.tip_.RelayEvent(watched, event);
                help_.windowEvent(watched, event);
            }
        }
        return false;
    }

  private:
    WindowHelp& help_;
};

WindowHelp::WindowHelp(QWidget& window, EventLoop& loop)
    : window_(window), loop_(loop), noticeTimer_(loop), tip_(loop, &window) {}

WindowHelp::~WindowHelp() = default;

void WindowHelp::registerTips(const ControlFinder& controlOf) {
    if (!tip_.Create(&window_, true)) {
        return;
    }
    tip_.Renderer().SetMaxWidth(kTipMaxWidth);
    tip_.SetDelayTime(tipdelay::kHide, kTipHideDelay);
    for (const HelpText& help : helpTexts()) {
        QWidget* control = controlOf(help.control);
        if (control == nullptr) {
            continue;
        }
        tip_.AddTool(control, help.text);
        // A screen reader reads the same help; a control's group, when it has one, still
        // tells two boxes of the same name apart.
        const QString group = control->accessibleDescription();
        const QString plain = QString::fromStdString(markupPlainText(help.text));
        control->setAccessibleDescription(group.isEmpty() ? plain : group + "\n" + plain);
    }
    relay_ = std::make_unique<EventRelay>(*this);
    QObject::connect(&tip_, &HelpTip::pointerLeftWindow, &window_, [this] {
        if (slowServo_) {
            slowServo_->pointerLeft();
        }
    });
    speedSelector_ = qobject_cast<QComboBox*>(controlOf(Control::SpeedSelector));
    if (speedSelector_ != nullptr) {
        // However the speed changes (the pilot, a servo, a file), the mark follows.
        QObject::connect(speedSelector_, &QComboBox::currentIndexChanged, &window_,
                         [this] { followSpeed(); });
    }
}

void WindowHelp::layoutPictures(const QRect& content) {
    pictures_ = std::make_unique<PaintedPictures>(content.size() + kDesignFrame);
    picturesOrigin_ = content.topLeft();
}

void WindowHelp::followSpeed() {
    if (!pictures_ || speedPosition() == markSpeed_) {
        return;
    }
    markSpeed_ = speedPosition();
    window_.update(markArea());
}

QRect WindowHelp::markArea() const {
    return pictures_ ? pictures_->warningRect().translated(picturesOrigin_) : QRect();
}

void WindowHelp::armSlowServoTip() {
    slowServo_ = std::make_unique<SlowServoTip>(
        &window_, &tip_, [this] { return speedPosition(); }, loop_);
    if (pictures_) {
        slowServo_->setArea(markArea());
    }
}

int WindowHelp::speedPosition() const {
    return speedSelector_ != nullptr ? speedSelector_->currentIndex() : -1;
}

void WindowHelp::paint(QPaintEvent& event) {
    // The surface is painted again under every control that changes (the status line through
    // a read); the pictures only where they are.
    if (!pictures_ ||
        !event.region().intersects(QRegion(pictures_->logoRect().translated(picturesOrigin_)) +
                                   markArea())) {
        return;
    }
    QPainter painter(&window_);
    painter.translate(picturesOrigin_);
    pictures_->paint(painter, speedPosition(), window_.palette().color(window_.backgroundRole()));
}

void WindowHelp::windowEvent(const QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move && watched == &window_) {
        if (noticeTimer_.isActive() && noticeBox_) {
            tip_.MoveTo(noticePoint(*noticeBox_));
        }
        return;
    }
    if (event->type() != QEvent::MouseMove) {
        return;
    }
    // A move with a button held belongs to the control that took the press. A move reaches
    // the filter once for each widget it passes on its way up; each comes to the same.
    const auto* move = static_cast<QMouseEvent*>(event);
    if (move->buttons() != Qt::NoButton) {
        return;
    }
    const QPoint position = window_.mapFromGlobal(move->globalPosition().toPoint());
    if (window_.rect().contains(position) && isWindowSurface(window_.childAt(position))) {
        surfacePointerMoved(position);
    }
}

void WindowHelp::surfacePointerMoved(const QPoint& position) {
    if (!slowServo_) {
        return;
    }
    // A move outside the mark's area hides any tip, a notice included; its time ends with it.
    if (pictures_ && !markArea().contains(position)) {
        noticeTimer_.stop();
    }
    slowServo_->onMouseMove(position);
}

void WindowHelp::windowDeactivated() {
    // Another window of the program in front (a message, a prompt) takes over: the tip of a
    // control would stand over it. A notice stays for its time, as it tells what was changed.
    if (!noticeTimer_.isActive()) {
        tip_.HideNow();
    }
}

void WindowHelp::windowHidden() {
    hideFieldNotice();
    tip_.HideNow();
}

void WindowHelp::showFieldNotice(QWidget& box, const QString& notice) {
    noticeBox_ = &box;
    tip_.ShowAt(noticePoint(box), notice.toStdString());
    // A notice that replaces another gets its whole time again.
    noticeTimer_.start(kNoticeDuration, [this] { hideFieldNotice(); });
}

void WindowHelp::hideFieldNotice() {
    noticeTimer_.stop();
    tip_.Hide();
}

}  // namespace vn340
