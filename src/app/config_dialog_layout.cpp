// The window's controls, placed as designed in dialog units of "MS Sans Serif" 8 pt.

#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"

namespace vn340 {
namespace {

struct Box {
    int x, y, width, height;
};

// A drop-down list's closed height; the designed height is that of the opened list.
constexpr int kClosedListHeight = 13;
constexpr int kListItemPixels = 13;

void place(QWidget* widget, int id, const Box& box) {
    if (id != 0)
        widget->setObjectName(QStringLiteral("idc%1").arg(id));
    widget->setGeometry(dialogUnitsToPixelsX(box.x), dialogUnitsToPixelsY(box.y),
                        dialogUnitsToPixelsX(box.width), dialogUnitsToPixelsY(box.height));
}

struct LabelSpec {
    int id;
    const char* text;
    Box box;
    bool rightAligned;
};

// Labels in the order of the design; a label with an id is named after it.
const LabelSpec kLabels[] = {
    {0, "Firmware version", {24, 15, 102, 8}, false},
    {0, "Vexa-Plug port", {14, 179, 47, 8}, false},
    {0, "Direction", {203, 14, 54, 8}, false},
    {1030, "Servo", {24, 113, 56, 8}, false},
    {1035, "High endpoint", {24, 75, 55, 8}, false},
    {1036, "Low endpoint", {24, 87, 59, 8}, false},
    {0, "Clockwise stop gain", {204, 140, 108, 8}, false},
    {0, "Counter clockwise stop gain", {204, 152, 104, 8}, false},
    {0, "Rudder stick deadband", {202, 29, 102, 8}, false},
    {0, "Rudder exponential", {204, 171, 103, 8}, false},
    {0, "Rudder exponential", {203, 63, 103, 8}, false},
    {0, "Acceleration profile", {204, 96, 72, 11}, false},
    {0, "Deceleration profile", {204, 117, 73, 11}, false},
    {0, "Slow", {283, 96, 20, 8}, false},
    {0, "Slow", {283, 117, 20, 8}, false},
    {0, "Fast", {389, 117, 16, 8}, true},
    {0, "Fast", {389, 96, 16, 8}, true},
    {0, "Rudder sensitivity", {204, 184, 102, 8}, false},
    {1049, "Type", {24, 127, 59, 8}, false},
    {1053, "Speed", {24, 140, 26, 8}, false},
    {0, "Loader version", {24, 27, 103, 8}, false},
    {0, "Serial number", {24, 40, 103, 8}, false},
    {1054, "sec/60 deg", {128, 140, 42, 8}, false},
    {1057, "Midpoint trim", {24, 99, 58, 8}, false},
};

struct GroupSpec {
    int id;
    const char* text;
    Box box;
};

const GroupSpec kGroups[] = {
    {0, "Gyro", {6, 3, 171, 55}},
    {1094, "Servo", {6, 63, 171, 94}},
    {0, "Common", {185, 3, 232, 41}},
    {0, "Mode 1 (Rate)", {185, 49, 232, 29}},
    {0, "Program Control", {6, 162, 171, 113}},
    {0, "Mode 2 (AVCS)", {185, 83, 232, 116}},
    {0, "User Comments", {185, 205, 232, 70}},
};

enum class Kind { Edit, ReadOnlyEdit, DropDown, SortedDropDown, Toggle, Slider, Comments, Button };

struct ControlSpec {
    int id;
    Kind kind;
    const char* text;  // the caption, or the label the control stands beside
    Box box;
};

// The working controls in the order of the design, which is also the order of the Tab key.
const ControlSpec kControls[] = {
    {1033, Kind::Edit, "High endpoint", {87, 72, 29, 12}},
    {1034, Kind::Edit, "Low endpoint", {87, 85, 29, 12}},
    {1045, Kind::Edit, "Midpoint trim", {87, 98, 29, 12}},
    {1044, Kind::DropDown, "Servo", {87, 111, 80, 91}},
    {1051, Kind::DropDown, "Type", {87, 124, 80, 91}},
    {1052, Kind::DropDown, "Speed", {87, 138, 40, 91}},
    {1027, Kind::Toggle, "Normal", {267, 13, 38, 11}},
    {1026, Kind::Toggle, "Reverse", {309, 13, 35, 11}},
    {1039, Kind::Edit, "Rudder stick deadband", {315, 27, 29, 12}},
    {1041, Kind::Edit, "Rudder exponential", {315, 61, 29, 12}},
    {1042, Kind::Slider, "Acceleration profile", {303, 93, 87, 20}},
    {1043, Kind::Slider, "Deceleration profile", {303, 114, 87, 20}},
    {1037, Kind::Edit, "Clockwise stop gain", {315, 138, 29, 12}},
    {1038, Kind::Edit, "Counter clockwise stop gain", {315, 151, 29, 12}},
    {1040, Kind::Edit, "Rudder exponential", {315, 169, 29, 12}},
    {1048, Kind::Edit, "Rudder sensitivity", {315, 182, 29, 12}},
    {1069, Kind::Comments, "User Comments", {190, 216, 223, 54}},
    {1001, Kind::SortedDropDown, "Vexa-Plug port", {70, 176, 45, 70}},
    {1060, Kind::Button, "Detect", {122, 176, 47, 11}},
    {1066, Kind::Button, "Load from file", {17, 197, 70, 12}},
    {1031, Kind::Button, "Read from gyro", {99, 197, 70, 12}},
    {1065, Kind::Button, "Save to file", {17, 211, 70, 12}},
    {1032, Kind::Button, "Store to gyro", {99, 211, 70, 12}},
    {1064, Kind::Button, "Load defaults", {17, 226, 70, 12}},
    {1067, Kind::Button, "Help", {99, 226, 70, 12}},
    {1046, Kind::ReadOnlyEdit, "Firmware version", {133, 13, 29, 12}},
    {1050, Kind::ReadOnlyEdit, "Serial number", {133, 38, 29, 12}},
    {1055, Kind::ReadOnlyEdit, "Loader version", {133, 25, 29, 12}},
};

// The two exponentials share a label; the group tells them apart.
QString groupOf(int id) {
    if (id == 1041)
        return QStringLiteral("Mode 1 (Rate)");
    if (id == 1040)
        return QStringLiteral("Mode 2 (AVCS)");
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

}  // namespace

void ConfigDialog::buildLayout() {
    setFont(dialogFont());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(configDialogTitle());
    setFixedSize(dialogUnitsToPixelsX(425), dialogUnitsToPixelsY(282));
    buildGroupsAndLabels();
    buildValueControls();
    buildHiddenControls();
}

void ConfigDialog::buildGroupsAndLabels() {
    // Frames first, so that every control lies above them.
    for (const GroupSpec& spec : kGroups) {
        auto* group = new QGroupBox(QString::fromUtf8(spec.text), this);
        group->setAccessibleName(group->title());
        group->setFocusPolicy(Qt::NoFocus);
        place(group, spec.id, spec.box);
        if (spec.id != 0)
            controls_[spec.id] = group;
    }
    for (const LabelSpec& spec : kLabels) {
        auto* label = new QLabel(QString::fromUtf8(spec.text), this);
        label->setAccessibleName(label->text());
        if (spec.rightAligned)
            label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        else
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        place(label, spec.id, spec.box);
        // The design's boxes fit the captions in the font they were drawn with; where a
        // stand-in font runs wider, a caption grows into the gap beside it rather than being cut.
        if (!spec.rightAligned && label->sizeHint().width() > label->width())
            label->resize(label->sizeHint().width(), label->height());
        if (spec.id != 0)
            controls_[spec.id] = label;
    }
}

void ConfigDialog::buildValueControls() {
    for (const ControlSpec& spec : kControls) {
        QWidget* widget = makeControl(spec, this);
        Box box = spec.box;
        if (spec.kind == Kind::DropDown || spec.kind == Kind::SortedDropDown)
            box.height = kClosedListHeight;
        place(widget, spec.id, box);
        widget->setAccessibleName(QString::fromUtf8(spec.text));
        if (!groupOf(spec.id).isEmpty())
            widget->setAccessibleDescription(groupOf(spec.id));
        controls_[spec.id] = widget;
    }
    portSelector_ = static_cast<DropDownList*>(controls_.at(1001));
    servoSelector_ = static_cast<DropDownList*>(controls_.at(1044));
    typeSelector_ = static_cast<DropDownList*>(controls_.at(1051));
    speedSelector_ = static_cast<DropDownList*>(controls_.at(1052));
    accelSlider_ = static_cast<QSlider*>(controls_.at(1042));
    decelSlider_ = static_cast<QSlider*>(controls_.at(1043));
    normalButton_ = static_cast<QPushButton*>(controls_.at(1027));
    reverseButton_ = static_cast<QPushButton*>(controls_.at(1026));
    commentBox_ = static_cast<QPlainTextEdit*>(controls_.at(1069));
}

void ConfigDialog::buildHiddenControls() {
    auto* statusLine = new QLineEdit(this);
    statusLine->setFrame(false);
    statusLine->setAlignment(Qt::AlignHCenter);
    statusLine->setEnabled(false);
    statusLine->setAccessibleName(QStringLiteral("Status"));
    place(statusLine, 1077, {12, 238, 164, 9});
    controls_[1077] = statusLine_ = statusLine;

    // Kept for the data submission, which sorts its lines in it.
    auto* list = new QListWidget(this);
    list->setSortingEnabled(true);
    list->setAccessibleName(QStringLiteral("Statistics lines"));
    place(list, 1073, {359, 157, 58, 21});
    list->hide();
    controls_[1073] = list;

    struct Hidden {
        int id;
        const char* text;
        Box box;
    };
    const Hidden bits[] = {{1086, "Bit8", {351, 8, 28, 10}},
                           {1087, "Bit10", {351, 16, 32, 10}},
                           {1088, "Bit11", {351, 24, 32, 10}},
                           {1089, "Bit12", {351, 32, 32, 10}}};
    for (std::size_t i = 0; i < hiddenBoxes_.size(); ++i) {
        auto* box = new QCheckBox(QString::fromUtf8(bits[i].text), this);
        box->setAccessibleName(box->text());
        place(box, bits[i].id, bits[i].box);
        box->hide();
        hiddenBoxes_[i] = box;
        controls_[bits[i].id] = box;
    }
}

}  // namespace vn340
