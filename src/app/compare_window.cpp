#include "app/compare_window.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/prompt_dialogs.h"
#include "app/qt_text.h"
#include "config/config_comparison.h"
#include "config/history_store.h"

namespace vn340 {
namespace {

QLabel* cell(QWidget* parent, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleName(text);
    return label;
}

QString differencesText(int differences) {
    if (differences == 0) {
        return QStringLiteral("No setting differs.");
    }
    if (differences == 1) {
        return QStringLiteral("1 setting differs.");
    }
    return QStringLiteral("%1 settings differ.").arg(differences);
}

QString summaryText(int differences, std::size_t unknown) {
    if (unknown == 0) {
        return differencesText(differences);
    }
    if (unknown == 1) {
        return differencesText(differences) +
               QStringLiteral(" The gyro's value of 1 setting is not known.");
    }
    return differencesText(differences) +
           QStringLiteral(" The gyro's values of %1 settings are not known.").arg(unknown);
}

}  // namespace

CompareSide CompareSide::lastRead(const GyroKnowledge& gyro) {
    const std::string& serialNumber = gyro.config.serialNumber;
    return {Kind::LastRead,
            serialNumber.empty() ? QString()
                                 : QStringLiteral("serial number %1").arg(fromStd(serialNumber)),
            gyro.unknownSettings()};
}

CompareSide CompareSide::snapshot(const Snapshot& snapshot) {
    const QString what = fromStd(snapshotKindPhrase(snapshot.kind));
    return {Kind::Snapshot,
            QStringLiteral("%1 the vn340 with serial number %2 on %3 %4")
                .arg(what, fromStd(snapshot.serialNumber), fromStd(dateText(snapshot.time)),
                     fromStd(timeText(snapshot.time))),
            {}};
}

CompareSide CompareSide::file(const QString& path) {
    return {Kind::File, path, {}};
}

QString CompareSide::columnTitle() const {
    switch (kind) {
        case Kind::LastRead:
            return QStringLiteral("On the gyro");
        case Kind::Snapshot:
            return QStringLiteral("In the snapshot");
        case Kind::File:
            break;
    }
    return QStringLiteral("In the file");
}

bool CompareSide::knows(Setting setting) const {
    return std::find(unknown.begin(), unknown.end(), setting) == unknown.end();
}

QString CompareSide::header() const {
    QString other;
    switch (kind) {
        case Kind::LastRead:
            other = QStringLiteral("the last read from the gyro");
            if (!description.isEmpty()) {
                other += QStringLiteral(" (%1)").arg(description);
            }
            break;
        case Kind::Snapshot:
            other = QStringLiteral("the snapshot %1").arg(description);
            break;
        case Kind::File:
            other = QStringLiteral("the file %1").arg(description);
            break;
    }
    return QStringLiteral("The screen beside %1").arg(other);
}

CompareWindow::CompareWindow(QWidget* parent) : QDialog(parent) {
    setFont(dialogFont());
    setWindowTitle(QStringLiteral("Compare"));
    setObjectName(QStringLiteral("compareWindow"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    header_ = cell(this);
    header_->setObjectName(QStringLiteral("header"));
    header_->setWordWrap(true);
    summary_ = cell(this);
    summary_->setObjectName(QStringLiteral("summary"));
    layout->addWidget(header_);
    layout->addWidget(summary_);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    buildRows(grid);
    layout->addLayout(grid);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setAccessibleName(close->text().remove(QLatin1Char('&')));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CompareWindow::buildRows(QGridLayout* grid) {
    const QString titles[] = {QStringLiteral("Setting"), QStringLiteral("On the screen"), {}};
    for (int column = 0; column < 3; ++column) {
        QLabel* title = cell(this, titles[column]);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        grid->addWidget(title, 0, column);
        if (column == 2) {
            otherTitle_ = title;
        }
    }
    // The same screen on both sides gives every row, in the window's order.
    GyroConfig any;
    loadDefaults(any);
    const std::vector<SettingComparison> order = compareConfigurations(any, any);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Setting setting = order[i].setting;
        const QString name = fromStd(order[i].label);
        Row& row = rows_[i];
        row = {setting,    cell(this, name),
               cell(this), cell(this),
               cell(this), new QPushButton(QStringLiteral("Use this value"), this)};
        const QString id = QString::number(static_cast<int>(setting));
        row.screen->setObjectName(QStringLiteral("screen") + id);
        row.other->setObjectName(QStringLiteral("other") + id);
        row.mark->setObjectName(QStringLiteral("mark") + id);
        row.use->setObjectName(QStringLiteral("use") + id);
        row.use->setAutoDefault(false);
        row.use->setAccessibleName(QStringLiteral("Use this value: %1").arg(name));
        connect(row.use, &QPushButton::clicked, this,
                [this, setting] { emit useValueRequested(setting); });
        const int line = static_cast<int>(i) + 1;
        grid->addWidget(row.name, line, 0);
        grid->addWidget(row.screen, line, 1);
        grid->addWidget(row.other, line, 2);
        grid->addWidget(row.mark, line, 3);
        grid->addWidget(row.use, line, 4);
    }
}

void CompareWindow::compare(const GyroConfig& screen, const GyroConfig& other,
                            const CompareSide& side) {
    screen_ = screen;
    other_ = other;
    side_ = side;
    refresh();
    show();
    raise();
    activateWindow();
}

void CompareWindow::setScreen(const GyroConfig& screen) {
    screen_ = screen;
    refresh();
}

QPushButton* CompareWindow::useButton(Setting setting) const {
    for (const Row& row : rows_) {
        if (row.setting == setting) {
            return row.use;
        }
    }
    return nullptr;
}

void CompareWindow::refresh() {
    header_->setText(side_.header());
    header_->setAccessibleName(header_->text());
    otherTitle_->setText(side_.columnTitle());
    otherTitle_->setAccessibleName(otherTitle_->text());
    const std::vector<SettingComparison> rows = compareConfigurations(screen_, other_);
    int differences = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool known = side_.knows(rows[i].setting);
        showRow(rows_[i], rows[i], known);
        differences += known && rows[i].differs ? 1 : 0;
    }
    summary_->setText(summaryText(differences, side_.unknown.size()));
    summary_->setAccessibleName(summary_->text());
}

void CompareWindow::showRow(Row& row, const SettingComparison& comparison, bool known) {
    const QString name = fromStd(comparison.label);
    const bool differs = known && comparison.differs;
    row.screen->setText(fromStd(comparison.left));
    row.other->setText(known ? fromStd(comparison.right) : QStringLiteral("not known"));
    row.screen->setAccessibleName(
        QStringLiteral("%1 on the screen: %2").arg(name, row.screen->text()));
    row.other->setAccessibleName(
        QStringLiteral("%1 %2: %3").arg(name, side_.columnTitle().toLower(), row.other->text()));
    row.mark->setText(differs ? QString(QChar(kDifferenceMark)) : QString());
    row.mark->setAccessibleName(differs ? fromStd(kDifferenceName) : QString());
    for (QLabel* label : {row.name, row.screen, row.other, row.mark}) {
        QFont font = label->font();
        font.setBold(differs);
        label->setFont(font);
    }
    row.use->setEnabled(differs);
}

}  // namespace vn340
