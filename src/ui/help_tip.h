#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRegion>

#include "base/one_shot_timer.h"
#include "ui/desktop_markup_renderer.h"
#include "ui/draw_effects.h"
#include "ui/help_tip_placement.h"
#include "ui/help_tip_registry.h"
#include "ui/help_tip_settings.h"

class QEvent;
class QMouseEvent;
class QPainter;
class QWidget;

namespace vn340 {

class TipWindow;

// The balloon help of a window: texts registered per control (or per rectangle of one) show
// as a tip next to the resting pointer, drawn with the markup renderer over a background
// effect with a soft shadow, and go away after a while, on a click, on a key, or when the
// pointer moves on. The program can also show a tip at a point (validation notices).
//
// The tip is a top-level window that never takes the focus. Its timers (show delay, hide delay,
// fade-in step, fade-out step and animation tick) run once on the event loop the tip is given;
// the periodic ones re-arm.
//
// RelayEvent takes every event the owner sees; the simplest owner installs an event filter on
// the application, which also sees pointer moves over controls that do not track the mouse
// (AddTool turns tracking on for the controls it is given, so a filter on the controls works
// too). Events map as follows:
// - MouseMove: the pointer moved to its global position (hover events are not used).
// - MouseButtonPress and MouseButtonDblClick of any button, their non-client forms, Wheel and
//   KeyPress: the tip hides at once.
// - Hide of the owner's window: the tip hides at once, as owned popups vanish with their owner.
// - Leave of the owner's window (and of the tip) for a place outside both: no pointer move
//   follows there, so this is the pointer's last one: a tool's tip hides at once, a tip shown
//   at a point stays for its own time, and pointerLeftWindow() tells the owner.
// - Focus changes are ignored: they follow a click or a key, which hid the tip already, or come
//   from the program.
// The tip window relays its own pointer events (a click on a link opens it first), and the
// application turning inactive hides the tip by itself; events addressed to the tip window are
// therefore ignored here, and so are the copies of input events addressed to QWindow objects.
//
// Disabled controls show no tip. A control's inner widgets (the line edit of an editable combo
// box, the viewport of a text box) count as the control itself, the first widget upwards that
// has tools being the one that counts.
class HelpTip : public QObject {
    Q_OBJECT
  public:
    enum class State { hidden, appearing, shown, disappearing };
    Q_ENUM(State)
    // The screen's pixels in a rectangle of the virtual desktop, before the tip covers them.
    using ScreenGrabber = std::function<QImage(const QRect& area)>;

    // `loop` keeps the tip's time and outlives it.
    explicit HelpTip(EventLoop& loop, QObject* parent = nullptr);
    ~HelpTip() override;

    // Makes the tip window for `owner` with the balloon or the rectangle outline and starts
    // the animation tick. False (and the tip does nothing) without a widget application.
    bool Create(QWidget* owner, bool balloon);
    void Destroy();

    // `rect` in the window's coordinates (content coordinates for a scroll area); an empty
    // rectangle covers the whole window.
    void AddTool(QWidget* window, std::string text, const QRect& rect = QRect());
    void AddTool(QWidget* window, ToolInfo tool);
    // Kinds of tipdelay; the animation tick restarts at once, 0 stops it.
    void SetDelayTime(int kind, std::chrono::milliseconds delay);
    void RelayEvent(QObject* watched, QEvent* event);
    // Shows `text` at once with the tail at the screen point; with an icon, the icon stands
    // left of the text. Stays until Hide, a click or a key, whatever the pointer does.
    void ShowAt(const QPoint& screenPoint, std::string_view text, const QImage& icon = QImage());
    // Moves a tip shown at a point so that its tail points at `screenPoint`, keeping its
    // picture: it follows what it points at when the owner's window moves, which carries what
    // lies beneath along. Nothing for a tip of a tool or none.
    void MoveTo(const QPoint& screenPoint);
    // Starts hiding (fading out when set).
    void Hide();
    // Hides at once and stops every timer but the animation tick.
    void HideNow();

    void SetEffect(int code, int granularity);
    void SetColours(Colour begin, Colour mid, Colour end);
    void SetBorder(Colour colour, int width, int height);
    void SetNoBorder();
    void SetDirection(int direction);
    void SetBehaviour(unsigned flags);
    void SetTransparency(int percent);
    void SetWindowShadow(int dx, int dy, int darkness, bool soft, int blurX, int blurY);
    void SetRepaintOnHotLinkChange(bool on);
    // Index 0 to 6 of TipShape in its order.
    void SetShapeSize(int index, int value);
    void SetScreenGrabber(ScreenGrabber grabber);

    MarkupRenderer& Renderer() { return renderer_; }
    const HelpTipSettings& Settings() const { return settings_; }
    State DisplayState() const { return state_; }
    // A tip waits for its show delay.
    bool ShowWaiting() const { return showTimer_.isActive(); }
    // The tip window (null before Create), for its geometry and accessible text.
    QWidget* Window() const;
    // The placement of the tip shown last.
    const Placement& LastPlacement() const { return placement_; }

  signals:
    void stateChanged(vn340::HelpTip::State state);
    void painted();
    // The pointer went from the owner's window (or the tip) to a place outside both.
    void pointerLeftWindow();

  private:
    struct ToolKey {
        const QWidget* window = nullptr;  // none for a tip shown at a point
        QRect rect;
        friend bool operator==(const ToolKey&, const ToolKey&) = default;
    };
    struct Request {
        ToolKey key;
        ToolInfo tool;
        QPoint point;
        bool byProgram = false;
    };
    struct Hit {
        QWidget* window;
        const ToolInfo* tool;
    };

    // Relaying (help_tip_relay.cpp).
    void relayMove(const QPoint& global);
    void pointerLeft();
    std::optional<Hit> toolAt(const QPoint& global) const;
    bool overTip(const QPoint& global) const;
    // From the tip window.
    void tipMouseMove(QMouseEvent* event);
    void tipMousePress(QMouseEvent* event);
    void paintTip(QPainter& painter);

    // Showing and hiding (help_tip.cpp).
    void request(Request r, bool delayed);
    void showStep();
    void buildTip(const QSize& textSize);
    void hideStep();
    void fadeInStep();
    void fadeOutStep();
    void animationTick();
    void startHideDelay();
    QImage captureBeneath(const QRect& geometry);
    void hideWindow();
    void setState(State state);
    QRect screenArea() const;
    int iconHandle(const QImage& icon);

    HelpTipSettings settings_;
    MarkupRenderer renderer_ = desktopMarkupRenderer();
    // The background and the text draw with the same effects, one random pattern source.
    DrawEffects effects_;
    ToolRegistry registry_;
    QPointer<TipWindow> window_;
    QPointer<QWidget> owner_;
    EventLoop& loop_;
    OneShotTimer showTimer_{loop_};
    OneShotTimer hideTimer_{loop_};
    OneShotTimer fadeInTimer_{loop_};
    OneShotTimer fadeOutTimer_{loop_};
    OneShotTimer animationTimer_{loop_};
    ScreenGrabber grabScreen_;

    State state_ = State::hidden;
    Request requested_;
    bool pendingShow_ = false;
    bool pendingDelayed_ = false;
    std::optional<QPoint> lastPoint_;
    // The tip shown last.
    std::optional<ToolKey> current_;
    bool currentByProgram_ = false;
    TipLook active_;
    int transparency_ = 0;
    Placement placement_;
    QRegion region_;
    QRegion frame_;
    QImage background_;
    QRect textRect_;
    QSize windowSize_;
    QImage snapshot_;
    // Where the last tip was when it went, and since when, for the next snapshot.
    static constexpr auto kRepaintGrace = std::chrono::milliseconds(250);
    QRect hiddenGeometry_;
    std::optional<std::chrono::milliseconds> hiddenAt_;
    std::map<qint64, int> iconHandles_;
};

}  // namespace vn340
