// The window's controls, placed as designed in dialog units of "MS Sans Serif" 8 pt.

#include <QCheckBox>
#include <QDialog>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <optional>

#include "app/config_dialog.h"
#include "app/drop_down_list.h"
#include "app/prompt_dialogs.h"
#include "app/window_controls.h"

namespace vn340 {
namespace {

using C = Control;

struct Box {
    int x, y, width, height;
};

// A drop-down list's closed height; the designed height is that of the opened list.
constexpr int kClosedListHeight = 13;
constexpr int kListItemPixels = 13;

// The designed window's size; the menu bar stands above it and the status area below it.
constexpr Box kDesignArea = {0, 0, 425, 282};
// The status area: the status line, wide enough for the live signals at full gain, and the
// adapter's state beside it.
constexpr Box kStatusLineBox = {6, 284, 274, 9};
constexpr Box kAdapterStateBox = {286, 284, 133, 9};
constexpr int kWindowHeight = 296;

void place(QWidget* widget, std::optional<Control> id, const Box& box) {
    if (id) {
        widget->setObjectName(QStringLiteral("idc%1").arg(controlId(*id)));
    }
    widget->setGeometry(dialogUnitsToPixelsX(box.x), dialogUnitsToPixelsY(box.y),
                        dialogUnitsToPixelsX(box.width), dialogUnitsToPixelsY(box.height));
}

// Everything built so far, the designed window and the status area, moves below the menu bar
// as one, so the controls keep their places to each other.
void moveBelow(QDialog& window, const QMenuBar& bar) {
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != &bar && !child->isWindow()) {
            child->move(child->x(), child->y() + bar.height());
        }
    }
}

struct LabelSpec {
    std::optional<Control> id;
    const char* text;
    Box box;
    bool rightAligned;
};

constexpr std::nullopt_t kNoId = std::nullopt;

// Labels in the order of the design; a label with an id is named after it.
const LabelSpec kLabels[] = {
    {kNoId, "Firmware version", {24, 15, 102, 8}, false},
    {kNoId, "Vexa-Plug port", {14, 179, 47, 8}, false},
    {kNoId, "Direction", {203, 14, 54, 8}, false},
    {C::ServoLabel, "Servo", {24, 113, 56, 8}, false},
    {C::HighEndpointLabel, "High endpoint", {24, 75, 55, 8}, false},
    {C::LowEndpointLabel, "Low endpoint", {24, 87, 59, 8}, false},
    {kNoId, "Clockwise stop gain", {204, 140, 108, 8}, false},
    {kNoId, "Counter clockwise stop gain", {204, 152, 104, 8}, false},
    {kNoId, "Rudder stick deadband", {202, 29, 102, 8}, false},
    {kNoId, "Rudder exponential", {204, 171, 103, 8}, false},
    {kNoId, "Rudder exponential", {203, 63, 103, 8}, false},
    {kNoId, "Acceleration profile", {204, 96, 72, 11}, false},
    {kNoId, "Deceleration profile", {204, 117, 73, 11}, false},
    {kNoId, "Slow", {283, 96, 20, 8}, false},
    {kNoId, "Slow", {283, 117, 20, 8}, false},
    {kNoId, "Fast", {389, 117, 16, 8}, true},
    {kNoId, "Fast", {389, 96, 16, 8}, true},
    {kNoId, "Rudder sensitivity", {204, 184, 102, 8}, false},
    {C::TypeLabel, "Type", {24, 127, 59, 8}, false},
    {C::SpeedLabel, "Speed", {24, 140, 26, 8}, false},
    {kNoId, "Loader version", {24, 27, 103, 8}, false},
    {kNoId, "Serial number", {24, 40, 103, 8}, false},
    {C::SpeedUnitLabel, "sec/60 deg", {128, 140, 42, 8}, false},
    {C::MidpointTrimLabel, "Midpoint trim", {24, 99, 58, 8}, false},
};

struct GroupSpec {
    std::optional<Control> id;
    const char* text;
    Box box;
};

const GroupSpec kGroups[] = {
    {kNoId, "Gyro", {6, 3, 171, 55}},
    {C::ServoGroup, "Servo", {6, 63, 171, 94}},
    {kNoId, "Common", {185, 3, 232, 41}},
    {kNoId, "Mode 1 (Rate)", {185, 49, 232, 29}},
    {kNoId, "Program Control", {6, 162, 171, 113}},
    {kNoId, "Mode 2 (AVCS)", {185, 83, 232, 116}},
    {kNoId, "User Comments", {185, 205, 232, 70}},
};

enum class Kind { Edit, ReadOnlyEdit, DropDown, SortedDropDown, Toggle, Slider, Comments, Button };

struct ControlSpec {
    Control id;
    Kind kind;
    const char* text;  // the caption, or the label the control stands beside
    Box box;
};

// The working controls in the order of the design, which is also the order of the Tab key.
const ControlSpec kControls[] = {
    {C::HighEndpoint, Kind::Edit, "High endpoint", {87, 72, 29, 12}},
    {C::LowEndpoint, Kind::Edit, "Low endpoint", {87, 85, 29, 12}},
    {C::MidpointTrim, Kind::Edit, "Midpoint trim", {87, 98, 29, 12}},
    {C::ServoSelector, Kind::DropDown, "Servo", {87, 111, 80, 91}},
    {C::TypeSelector, Kind::DropDown, "Type", {87, 124, 80, 91}},
    {C::SpeedSelector, Kind::DropDown, "Speed", {87, 138, 40, 91}},
    {C::NormalButton, Kind::Toggle, "Normal", {267, 13, 38, 11}},
    {C::ReverseButton, Kind::Toggle, "Reverse", {309, 13, 35, 11}},
    {C::StickDeadband, Kind::Edit, "Rudder stick deadband", {315, 27, 29, 12}},
    {C::RateExpo, Kind::Edit, "Rudder exponential", {315, 61, 29, 12}},
    {C::AccelProfile, Kind::Slider, "Acceleration profile", {303, 93, 87, 20}},
    {C::DecelProfile, Kind::Slider, "Deceleration profile", {303, 114, 87, 20}},
    {C::CwStopGain, Kind::Edit, "Clockwise stop gain", {315, 138, 29, 12}},
    {C::CcwStopGain, Kind::Edit, "Counter clockwise stop gain", {315, 151, 29, 12}},
    {C::AvcsExpo, Kind::Edit, "Rudder exponential", {315, 169, 29, 12}},
    {C::AvcsSensitivity, Kind::Edit, "Rudder sensitivity", {315, 182, 29, 12}},
    {C::UserComments, Kind::Comments, "User Comments", {190, 216, 223, 54}},
    {C::PortSelector, Kind::SortedDropDown, "Vexa-Plug port", {70, 176, 45, 70}},
    {C::Detect, Kind::Button, "Detect", {122, 176, 47, 11}},
    {C::LoadFromFile, Kind::Button, "Load from file", {17, 197, 70, 12}},
    {C::ReadFromGyro, Kind::Button, "Read from gyro", {99, 197, 70, 12}},
    {C::SaveToFile, Kind::Button, "Save to file", {17, 211, 70, 12}},
    {C::StoreToGyro, Kind::Button, "Store to gyro", {99, 211, 70, 12}},
    {C::LoadDefaults, Kind::Button, "Load defaults", {17, 226, 70, 12}},
    {C::Help, Kind::Button, "Help", {99, 226, 70, 12}},
    {C::FirmwareVersion, Kind::ReadOnlyEdit, "Firmware version", {133, 13, 29, 12}},
    {C::SerialNumber, Kind::ReadOnlyEdit, "Serial number", {133, 38, 29, 12}},
    {C::LoaderVersion, Kind::ReadOnlyEdit, "Loader version", {133, 25, 29, 12}},
};

struct HiddenSpec {
    Control id;
    const char* text;
    Box box;
};

// In the order of WindowControls::hiddenBoxes.
const HiddenSpec kHiddenBits[] = {{C::Bit8, "Bit8", {351, 8, 28, 10}},
                                  {C::Bit10, "Bit10", {351, 16, 32, 10}},
                                  {C::Bit11, "Bit11", {351, 24, 32, 10}},
                                  {C::Bit12, "Bit12", {351, 32, 32, 10}}};

// The two exponentials share a label; the group tells them apart.
QString groupOf(Control id) {
    if (id == C::RateExpo) {
        return QStringLiteral("Mode 1 (Rate)");
    }
    if (id == C::AvcsExpo) {
        return QStringLiteral("Mode 2 (AVCS)");
    }
    return {};
}

QWidget* makeControl(const ControlSpec& spec, QWidget* parent) {
    const QString text = QString::fromUtf8(spec.text);
    switch (spec.kind) {
        case Kind::Edit:
        case Kind::ReadOnlyEdit: {
            auto* edit = new QLineEdit(parent);
            edit->setEnabled(spec.kind == Kind::Edit);
            return edit;
        }
        case Kind::DropDown:
        case Kind::SortedDropDown: {
            auto* list = new DropDownList(parent);
            const int listPixels =
                dialogUnitsToPixelsY(spec.box.height) - dialogUnitsToPixelsY(kClosedListHeight);
            list->setMaxVisibleItems(std::max(1, listPixels / kListItemPixels));
            return list;
        }
        case Kind::Toggle: {
            auto* button = new QPushButton(text, parent);
            button->setCheckable(true);
            button->setAutoDefault(false);
            return button;
        }
        case Kind::Slider: {
            auto* slider = new QSlider(Qt::Horizontal, parent);
            slider->setTickPosition(QSlider::TicksBelow);
            slider->setTickInterval(1);
            slider->setPageStep(1);
            return slider;
        }
        case Kind::Comments: {
            auto* box = new QPlainTextEdit(parent);
            box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            box->setTabChangesFocus(true);
            return box;
        }
        case Kind::Button: {
            auto* button = new QPushButton(text, parent);
            button->setAutoDefault(false);
            return button;
        }
    }
    return nullptr;
}

void buildGroupsAndLabels(QDialog& window, WindowControls& controls) {
    // Frames first, so that every control lies above them.
    for (const GroupSpec& spec : kGroups) {
        auto* group = new QGroupBox(QString::fromUtf8(spec.text), &window);
        group->setAccessibleName(group->title());
        group->setFocusPolicy(Qt::NoFocus);
        place(group, spec.id, spec.box);
        if (spec.id) {
            controls.byId[*spec.id] = group;
        }
    }
    for (const LabelSpec& spec : kLabels) {
        auto* label = new QLabel(QString::fromUtf8(spec.text), &window);
        label->setAccessibleName(label->text());
        if (spec.rightAligned) {
            label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        } else {
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
        place(label, spec.id, spec.box);
        // The design's boxes fit the captions in the font they were drawn with; where a
        // stand-in font runs wider, a caption grows into the gap beside it rather than being cut.
        if (!spec.rightAligned && label->sizeHint().width() > label->width()) {
            label->resize(label->sizeHint().width(), label->height());
        }
        if (spec.id) {
            controls.byId[*spec.id] = label;
        }
    }
}

void buildValueControls(QDialog& window, WindowControls& controls) {
    for (const ControlSpec& spec : kControls) {
        QWidget* widget = makeControl(spec, &window);
        Box box = spec.box;
        if (spec.kind == Kind::DropDown || spec.kind == Kind::SortedDropDown) {
            box.height = kClosedListHeight;
        }
        place(widget, spec.id, box);
        widget->setAccessibleName(QString::fromUtf8(spec.text));
        if (!groupOf(spec.id).isEmpty()) {
            widget->setAccessibleDescription(groupOf(spec.id));
        }
        controls.byId[spec.id] = widget;
    }
    controls.portSelector = controls.as<DropDownList>(C::PortSelector);
    controls.servoSelector = controls.as<DropDownList>(C::ServoSelector);
    controls.typeSelector = controls.as<DropDownList>(C::TypeSelector);
    controls.speedSelector = controls.as<DropDownList>(C::SpeedSelector);
    controls.accelSlider = controls.as<QSlider>(C::AccelProfile);
    controls.decelSlider = controls.as<QSlider>(C::DecelProfile);
    controls.normalButton = controls.as<QPushButton>(C::NormalButton);
    controls.reverseButton = controls.as<QPushButton>(C::ReverseButton);
    controls.commentBox = controls.as<QPlainTextEdit>(C::UserComments);
}

void buildStatusArea(QDialog& window, WindowControls& controls) {
    // The status line is off, as it has always been, so that nothing types into it or tabs to
    // it; yet it is read as normal text, not in the faint colour of a control that is off.
    auto* statusLine = new QLineEdit(&window);
    statusLine->setFrame(false);
    statusLine->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLine->setEnabled(false);
    QPalette readable = statusLine->palette();
    readable.setColor(QPalette::Disabled, QPalette::Text,
                      readable.color(QPalette::Active, QPalette::WindowText));
    readable.setColor(QPalette::Disabled, QPalette::Base,
                      readable.color(QPalette::Active, QPalette::Window));
    statusLine->setPalette(readable);
    // It paints its own ground: a new status, as a read gives many, repaints the line alone,
    // not the window's surface beneath it.
    statusLine->setAutoFillBackground(true);
    statusLine->setAccessibleName(QStringLiteral("Status"));
    place(statusLine, C::StatusLine, kStatusLineBox);
    controls.byId[C::StatusLine] = controls.statusLine = statusLine;

    auto* adapter = new QLabel(&window);
    adapter->setObjectName(QStringLiteral("adapterState"));
    adapter->setAccessibleName(QStringLiteral("Adapter"));
    adapter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(adapter, std::nullopt, kAdapterStateBox);
    controls.adapterState = adapter;
}

QMenuBar* buildMenuBar(QDialog& window, WindowControls& controls) {
    auto* bar = new QMenuBar(&window);
    bar->setNativeMenuBar(false);
    bar->setAccessibleName(QStringLiteral("Menu bar"));
    const auto menu = [bar](const char* title, const char* name) {
        QMenu* added = bar->addMenu(QString::fromUtf8(title));
        added->setObjectName(QString::fromLatin1(name));
        added->setAccessibleName(QString(added->title()).remove(QLatin1Char('&')));
        return added;
    };
    controls.fileMenu = menu("&File", "fileMenu");
    controls.editMenu = menu("&Edit", "editMenu");
    controls.gyroMenu = menu("&Gyro", "gyroMenu");
    controls.helpMenu = menu("&Help", "helpMenu");
    bar->setGeometry(0, 0, dialogUnitsToPixelsX(kDesignArea.width), bar->sizeHint().height());
    controls.menuBar = bar;
    return bar;
}

void buildHiddenControls(QDialog& window, WindowControls& controls) {
    // Kept for the data submission, which sorts its lines in it.
    auto* list = new QListWidget(&window);
    list->setSortingEnabled(true);
    list->setAccessibleName(QStringLiteral("Statistics lines"));
    place(list, C::StatisticsList, {359, 157, 58, 21});
    list->hide();
    controls.byId[C::StatisticsList] = list;

    for (std::size_t i = 0; i < controls.hiddenBoxes.size(); ++i) {
        const HiddenSpec& spec = kHiddenBits[i];
        auto* box = new QCheckBox(QString::fromUtf8(spec.text), &window);
        box->setAccessibleName(box->text());
        place(box, spec.id, spec.box);
        box->hide();
        controls.hiddenBoxes[i] = box;
        controls.byId[spec.id] = box;
    }
}

}  // namespace

QWidget* WindowControls::find(Control control) const {
    const auto found = byId.find(control);
    return found == byId.end() ? nullptr : found->second;
}

WindowControls layOutMainWindow(QDialog& window) {
    window.setFont(dialogFont());
    window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window.setWindowTitle(configDialogTitle());
    WindowControls controls;
    buildGroupsAndLabels(window, controls);
    buildValueControls(window, controls);
    buildHiddenControls(window, controls);
    buildStatusArea(window, controls);
    const QMenuBar* bar = buildMenuBar(window, controls);
    moveBelow(window, *bar);
    controls.content = QRect(0, bar->height(), dialogUnitsToPixelsX(kDesignArea.width),
                             dialogUnitsToPixelsY(kDesignArea.height));
    window.setFixedSize(dialogUnitsToPixelsX(kDesignArea.width),
                        bar->height() + dialogUnitsToPixelsY(kWindowHeight));
    return controls;
}

}  // namespace vn340
