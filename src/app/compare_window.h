#pragma once

// "Compare...": the configuration on the screen beside another one (the last read from the
// gyro, a snapshot of the history, or a settings file), setting by setting under the names the
// window uses. A setting that differs is marked by a sign and bold text, not by colour alone,
// and has a "Use this value" button that asks for the other side's value on the screen; the
// window itself changes nothing. A setting whose value on the gyro is not known (its answer
// after a store was damaged, or the store did not finish) shows no value there: it neither
// differs nor can be used.

#include <QDialog>
#include <QString>

#include <array>
#include <vector>

#include "config/field_table.h"
#include "config/gyro_config.h"
#include "protocol/sequence_outcome.h"

class QGridLayout;
class QLabel;
class QPushButton;

namespace vn340 {

struct Snapshot;
struct SettingComparison;

// What the screen is set beside, as the window's header names it.
struct CompareSide {
    enum class Kind { LastRead, Snapshot, File };
    Kind kind = Kind::LastRead;
    QString description;
    // The settings whose value on this side is not known.
    std::vector<Setting> unknown;

    static CompareSide lastRead(const GyroKnowledge& gyro);
    static CompareSide snapshot(const Snapshot& snapshot);
    static CompareSide file(const QString& path);

    QString columnTitle() const;
    QString header() const;
    bool knows(Setting setting) const;
};

// The sign a differing row carries, and how assistive technology reads it.
inline constexpr char16_t kDifferenceMark = u'\u2260';
inline constexpr std::string_view kDifferenceName = "differs";

class CompareWindow : public QDialog {
    Q_OBJECT
  public:
    explicit CompareWindow(QWidget* parent = nullptr);

    // Sets the screen beside `other`; shows the window and brings it forward.
    void compare(const GyroConfig& screen, const GyroConfig& other, const CompareSide& side);
    // The screen has changed (a value was used, an edit was made): the rows follow it.
    void setScreen(const GyroConfig& screen);

    const GyroConfig& other() const { return other_; }
    const CompareSide& side() const { return side_; }
    // The button of a setting's row.
    QPushButton* useButton(Setting setting) const;

  signals:
    // The pilot asked for the other side's value of `setting` on the screen.
    void useValueRequested(vn340::Setting setting);

  private:
    struct Row {
        Setting setting;
        QLabel* name;
        QLabel* screen;
        QLabel* other;
        QLabel* mark;
        QPushButton* use;
    };

    void buildRows(QGridLayout* grid);
    void refresh();
    // `known`: whether the other side's value of the row's setting is known.
    void showRow(Row& row, const SettingComparison& comparison, bool known);

    GyroConfig screen_;
    GyroConfig other_;
    CompareSide side_;
    QLabel* header_;
    QLabel* summary_;
    QLabel* otherTitle_ = nullptr;
    std::array<Row, kSettingCount> rows_{};
};

}  // namespace vn340
