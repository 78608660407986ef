// The help tip's life: creation, settings, and the states hidden, appearing, shown and
// disappearing with the show, hide and fade steps.
#include "ui/help_tip.h"

#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

#include "markup/markup_plain_text.h"
#include "ui/help_tip_paint.h"
#include "ui/help_tip_region.h"
#include "ui/help_tip_window.h"
#include "ui/painter_text_device.h"
#include "ui/qt_colour.h"
#include "ui/qt_geometry.h"
#include "ui/qt_markup_resources.h"

namespace vn340 {

namespace {

bool widgetApplication() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

QImage grabFromScreen(const QRect& area) {
    QScreen* screen = QGuiApplication::screenAt(area.topLeft());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return {};
    }
    const QRect g = screen->geometry();
    return screen->grabWindow(0, area.x() - g.x(), area.y() - g.y(), area.width(), area.height())
        .toImage();
}

// Device pixels per pixel where the painter draws: the screen's ratio for the tip on screen,
// the image's when the tip is rendered into one.
qreal pixelRatio(const QPainter& painter) {
    const qreal ratio = painter.deviceTransform().m11();
    return ratio > 0 ? ratio : 1;
}

}  // namespace

HelpTip::HelpTip(EventLoop& loop, QObject* parent)
    : QObject(parent), loop_(loop), grabScreen_(grabFromScreen) {
    const QPalette palette = widgetApplication() ? QToolTip::palette() : QPalette();
    const Colour background = toColour(palette.color(QPalette::ToolTipBase));
    settings_.look.colours = {background, background, background};
    settings_.borderColour = toColour(palette.color(QPalette::ToolTipText));
    if (widgetApplication()) {
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState s) {
                    if (s != Qt::ApplicationActive) {
                        HideNow();
                    }
                });
    }
}

HelpTip::~HelpTip() {
    Destroy();
}

bool HelpTip::Create(QWidget* owner, bool balloon) {
    if (!widgetApplication()) {
        return false;
    }
    Destroy();
    owner_ = owner;
    settings_.shape = balloon ? TipShape::balloon() : TipShape::rectangle();
    TipWindow::Callbacks callbacks;
    callbacks.paint = [this](QPainter& p) { paintTip(p); };
    callbacks.mouseMove = [this](QMouseEvent* e) { tipMouseMove(e); };
    callbacks.mousePress = [this](QMouseEvent* e) { tipMousePress(e); };
    callbacks.dismiss = [this] { HideNow(); };
    callbacks.leave = [this] { pointerLeft(); };
    window_ = new TipWindow(owner, std::move(callbacks));
    renderer_.SetHotLinkNotify([this](int) {
        if (settings_.repaintOnHotLink && window_) {
            window_->update();
        }
    });
    if (settings_.animationTick > std::chrono::milliseconds(0)) {
        animationTimer_.start(settings_.animationTick, [this] { animationTick(); });
    }
    return true;
}

void HelpTip::Destroy() {
    HideNow();
    animationTimer_.stop();
    delete window_.data();
    window_.clear();
}

QWidget* HelpTip::Window() const {
    return window_.data();
}

void HelpTip::AddTool(QWidget* window, std::string text, const QRect& rect) {
    ToolInfo tool;
    tool.rect = rect;
    tool.text = std::move(text);
    AddTool(window, std::move(tool));
}

void HelpTip::AddTool(QWidget* window, ToolInfo tool) {
    if (window == nullptr) {
        return;
    }
    if (!registry_.has(window)) {
        connect(window, &QObject::destroyed, this, [this, window] {
            registry_.remove(window);
            if (current_ && current_->window == window) {
                current_.reset();
            }
        });
    }
    // Pointer moves then reach filters on the control itself, not only the application's.
    window->setMouseTracking(true);
    registry_.add(window, std::move(tool));
}

void HelpTip::SetDelayTime(int kind, std::chrono::milliseconds delay) {
    const auto ms = std::max(std::chrono::milliseconds(0), delay);
    switch (kind) {
        case tipdelay::kHide:
            settings_.hideDelay = ms;
            break;
        case tipdelay::kShow:
            settings_.showDelay = ms;
            break;
        case tipdelay::kFadeIn:
            settings_.fadeInStep = ms;
            break;
        case tipdelay::kFadeOut:
            settings_.fadeOutStep = ms;
            break;
        case tipdelay::kAnimation:
            settings_.animationTick = ms;
            animationTimer_.stop();
            if (ms > std::chrono::milliseconds(0) && window_) {
                animationTimer_.start(ms, [this] { animationTick(); });
            }
            break;
        default:
            break;
    }
}

void HelpTip::ShowAt(const QPoint& screenPoint, std::string_view text, const QImage& icon) {
    Request r;
    r.point = screenPoint;
    r.byProgram = true;
    if (icon.isNull()) {
        r.tool.text = std::string(text);
    } else {
        char tag[48];
        std::snprintf(tag, sizeof tag, "<icon handle=0x%X>", iconHandle(icon));
        r.tool.text = std::string("<table><tr><td>") + tag + "</td><td>" + std::string(text) +
                      "</td></tr></table>";
    }
    r.tool.overrides = tipoverride::kBehaviour;
    r.tool.look.behaviour = settings_.look.behaviour | tipbehaviour::kNoAutoHide;
    request(std::move(r), false);
}

void HelpTip::MoveTo(const QPoint& screenPoint) {
    if (!window_ || !currentByProgram_ || (state_ != State::appearing && state_ != State::shown)) {
        return;
    }
    const QPoint delta = screenPoint - requested_.point;
    requested_.point = screenPoint;
    placement_.window.translate(delta);
    window_->move(window_->pos() + delta);
}

int HelpTip::iconHandle(const QImage& icon) {
    // One handle per picture, so notices shown again and again hold it once.
    const auto it = iconHandles_.find(icon.cacheKey());
    if (it != iconHandles_.end()) {
        return it->second;
    }
    const int handle = renderer_.AddImageHandle(markupImage(icon));
    iconHandles_.emplace(icon.cacheKey(), handle);
    return handle;
}

void HelpTip::SetEffect(int code, int granularity) {
    settings_.look.effect = code;
    settings_.look.granularity = granularity;
}

void HelpTip::SetColours(Colour begin, Colour mid, Colour end) {
    settings_.look.colours = {begin, mid, end};
}

void HelpTip::SetBorder(Colour colour, int width, int height) {
    settings_.border = true;
    settings_.borderColour = colour;
    settings_.borderWidth = std::max(0, width);
    settings_.borderHeight = std::max(0, height);
}

void HelpTip::SetNoBorder() {
    settings_.border = false;
}

void HelpTip::SetDirection(int direction) {
    settings_.look.direction = direction;
}

void HelpTip::SetBehaviour(unsigned flags) {
    settings_.look.behaviour = flags;
}

void HelpTip::SetTransparency(int percent) {
    settings_.look.transparency = std::clamp(percent, 0, 100);
}

void HelpTip::SetWindowShadow(int dx, int dy, int darkness, bool soft, int blurX, int blurY) {
    settings_.shadow =
        WindowShadow{std::max(0, dx), std::max(0, dy), std::min(darkness, 100), soft, blurX, blurY};
}

void HelpTip::SetRepaintOnHotLinkChange(bool on) {
    settings_.repaintOnHotLink = on;
}

void HelpTip::SetShapeSize(int index, int value) {
    TipShape& s = settings_.shape;
    int* sizes[] = {&s.cornerWidth, &s.cornerHeight, &s.marginX,   &s.marginY,
                    &s.tailWidth,   &s.tailLength,   &s.tailOffset};
    if (index >= 0 && index < 7) {
        *sizes[index] = std::max(0, value);
    }
}

void HelpTip::SetScreenGrabber(ScreenGrabber grabber) {
    grabScreen_ = std::move(grabber);
}

// ---- showing ------------------------------------------------------------------------------

void HelpTip::request(Request r, bool delayed) {
    requested_ = std::move(r);
    if (state_ == State::appearing || state_ == State::shown) {
        // The tip showing goes first; the new one follows when it has gone.
        pendingShow_ = true;
        pendingDelayed_ = delayed;
        Hide();
        return;
    }
    if (delayed) {
        showTimer_.start(settings_.showDelay, [this] { showStep(); });
    } else {
        showStep();
    }
}

void HelpTip::showStep() {
    showTimer_.stop();
    if (!window_) {
        return;
    }
    if (!requested_.byProgram && (!lastPoint_ || QCursor::pos() != *lastPoint_)) {
        Hide();
        return;
    }
    if (state_ != State::hidden) {
        return;
    }
    PainterTextDevice measuring(nullptr, &effects_);
    const QSize textSize = toQSize(renderer_.Measure(measuring, requested_.tool.text));
    if (textSize.isEmpty()) {
        return;
    }
    setState(State::appearing);
    current_ = requested_.key;
    currentByProgram_ = requested_.byProgram;
    active_ = lookFor(settings_.look, requested_.tool);
    buildTip(textSize);
    if (settings_.fadeInStep > std::chrono::milliseconds(0)) {
        fadeInTimer_.start(settings_.fadeInStep, [this] { fadeInStep(); });
    } else {
        setState(State::shown);
        startHideDelay();
    }
}

void HelpTip::buildTip(const QSize& textSize) {
    const TipShape& shape = settings_.shape;
    const QSize body(textSize.width() + 2 * shape.marginX, textSize.height() + 2 * shape.marginY);
    placement_ =
        placeTip(PlacementRequest{screenArea(), requested_.point, body, active_.direction, shape});
    textRect_ = QRect(placement_.body.topLeft() + QPoint(shape.marginX, shape.marginY), textSize);
    region_ = tipRegion(placement_, shape);
    frame_ = settings_.border ? frameRegion(region_, settings_.borderWidth, settings_.borderHeight)
                              : QRegion();
    background_ = QImage();  // made at the first paint, at the screen's pixel ratio
    transparency_ =
        settings_.fadeInStep > std::chrono::milliseconds(0) ? 100 : active_.transparency;

    QRegion windowRegion = region_;
    windowSize_ = placement_.window.size();
    const WindowShadow& shadow = settings_.shadow;
    if (shadow.isSet()) {
        windowRegion += region_.translated(shadow.dx, shadow.dy);
        windowSize_ += QSize(shadow.dx, shadow.dy);
    }
    const QRect geometry(placement_.window.topLeft(), windowSize_);
    // What lies beneath, for the shadow and the transparency, taken before the tip covers it.
    snapshot_ = captureBeneath(geometry);
    window_->setGeometry(geometry);
    window_->setMask(windowRegion);
    window_->setAccessibleDescription(
        QString::fromStdString(markupPlainText(requested_.tool.text)));
    window_->show();
    window_->raise();
    window_->update();
}

QImage HelpTip::captureBeneath(const QRect& geometry) {
    QImage shot = grabScreen_ ? grabScreen_(geometry) : QImage();
    // The screen keeps no copy of what a window covered: the windows beneath repaint it only
    // after a round trip to the display server. A tip that follows another at once would
    // capture the old tip, so where they overlap the old tip's own snapshot stands in.
    const QRect overlap = hiddenGeometry_ & geometry;
    if (!shot.isNull() && !snapshot_.isNull() && hiddenAt_ &&
        loop_.steadyNow() - *hiddenAt_ < kRepaintGrace && !overlap.isEmpty()) {
        shot = shot.convertToFormat(QImage::Format_ARGB32);
        QPainter painter(&shot);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const qreal ratio = snapshot_.devicePixelRatio();
        const QRect from(overlap.topLeft() - hiddenGeometry_.topLeft(), overlap.size());
        painter.drawImage(QRectF(overlap.topLeft() - geometry.topLeft(), overlap.size()), snapshot_,
                          QRectF(from.x() * ratio, from.y() * ratio, from.width() * ratio,
                                 from.height() * ratio));
    }
    return shot;
}

void HelpTip::hideWindow() {
    if (window_ && window_->isVisible()) {
        hiddenGeometry_ = window_->geometry();
        hiddenAt_ = loop_.steadyNow();
        window_->hide();
    }
}

void HelpTip::startHideDelay() {
    if ((active_.behaviour & tipbehaviour::kNoAutoHide) == 0 &&
        settings_.hideDelay > std::chrono::milliseconds(0)) {
        hideTimer_.start(settings_.hideDelay, [this] { hideStep(); });
    }
}

void HelpTip::fadeInStep() {
    transparency_ = transparency_ <= 20 ? 0 : transparency_ - 20;
    if (transparency_ <= active_.transparency) {
        transparency_ = active_.transparency;
        setState(State::shown);
        startHideDelay();
    } else {
        fadeInTimer_.start(settings_.fadeInStep, [this] { fadeInStep(); });
    }
    if (window_) {
        window_->update();
    }
}

// ---- hiding -------------------------------------------------------------------------------

void HelpTip::Hide() {
    if (state_ == State::appearing) {
        fadeInTimer_.stop();
    }
    if (state_ == State::appearing || state_ == State::shown) {
        hideStep();
    }
}

void HelpTip::hideStep() {
    showTimer_.stop();
    fadeInTimer_.stop();
    hideTimer_.stop();
    if (state_ == State::disappearing || state_ == State::hidden) {
        return;
    }
    setState(State::disappearing);
    if (settings_.fadeOutStep > std::chrono::milliseconds(0)) {
        fadeOutTimer_.start(settings_.fadeOutStep, [this] { fadeOutStep(); });
    } else {
        transparency_ = 100;
        fadeOutStep();
    }
}

void HelpTip::fadeOutStep() {
    transparency_ = transparency_ >= 80 ? 100 : transparency_ + 20;
    if (transparency_ < 100) {
        if (window_) {
            window_->update();
        }
        fadeOutTimer_.start(settings_.fadeOutStep, [this] { fadeOutStep(); });
        return;
    }
    fadeOutTimer_.stop();
    if (active_.behaviour & tipbehaviour::kForgetOnHide) {
        current_.reset();
    }
    hideWindow();
    setState(State::hidden);
    if (pendingShow_) {
        pendingShow_ = false;
        if (pendingDelayed_) {
            showTimer_.start(settings_.showDelay, [this] { showStep(); });
        } else {
            showStep();
        }
    }
}

void HelpTip::HideNow() {
    showTimer_.stop();
    hideTimer_.stop();
    fadeInTimer_.stop();
    fadeOutTimer_.stop();
    pendingShow_ = false;
    if (window_ && window_->isVisible()) {
        hideWindow();
        if (active_.behaviour & tipbehaviour::kForgetOnHide) {
            current_.reset();
        }
    }
    setState(State::hidden);
}

void HelpTip::animationTick() {
    animationTimer_.start(settings_.animationTick, [this] { animationTick(); });
    if (window_ && window_->isVisible() && state_ == State::shown && renderer_.OnAnimationTick()) {
        window_->update();
    }
}

void HelpTip::setState(State state) {
    if (state_ != state) {
        state_ = state;
        emit stateChanged(state);
    }
}

QRect HelpTip::screenArea() const {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return tipScreenArea(std::nullopt, QSize());
    }
    return tipScreenArea(primary->virtualGeometry(), primary->size());
}

// ---- painting -----------------------------------------------------------------------------

void HelpTip::paintTip(QPainter& painter) {
    // Drawn at the device's own pixels, so that letters stay crisp on a screen at 2x.
    const qreal ratio = pixelRatio(painter);
    if (background_.isNull() || background_.devicePixelRatio() != ratio) {
        background_ = tipBackground(placement_, active_, effects_, ratio);
    }
    QImage tip = background_.copy();
    if (tip.isNull()) {
        return;
    }
    {
        QPainter tipPainter(&tip);
        PainterTextDevice device(&tipPainter, &effects_);
        renderer_.Draw(device, toRect(textRect_));
        if (!frame_.isEmpty()) {
            tipPainter.setClipRegion(frame_);
            tipPainter.fillRect(QRect(QPoint(), placement_.window.size()),
                                toQColor(settings_.borderColour));
        }
    }
    painter.drawImage(
        0, 0, composeTip(tip, region_, snapshot_, windowSize_, transparency_, settings_.shadow));
    emit painted();
}

}  // namespace vn340
