#include "app/history_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/prompt_dialogs.h"
#include "app/qt_text.h"
#include "config/config_comparison.h"

namespace vn340 {
namespace {

enum Column { Date, Time, Kind, Differences, Serial, Comments, ColumnCount };

// How much of a comment the window opens wide enough for.
constexpr int kCommentCharacters = 40;

QString differencesText(int count) {
    if (count == 0) {
        return QStringLiteral("none");
    }
    return count == 1 ? QStringLiteral("1 setting") : QStringLiteral("%1 settings").arg(count);
}

// The first line of the pilot's own comments. The text every new configuration starts with is
// nobody's note: shown, it would hide the rows that carry one.
QString shownComment(GyroConfig config) {
    const QString untouched = fromStd(kDefaultUserComments);
    for (;;) {
        const std::string line = firstCommentLine(config);
        if (fromStd(line).trimmed() != untouched) {
            return fromStd(line);
        }
        const std::size_t at = config.userComments.find(line);
        if (at == std::string::npos) {
            return {};
        }
        config.userComments.erase(at, line.size());
    }
}

// What each column holds at its widest, column by column, but the comment.
QList<QStringList> cellSamples() {
    QStringList kinds;
    for (SnapshotKind kind : {SnapshotKind::Read, SnapshotKind::Stored, SnapshotKind::Unfinished,
                              SnapshotKind::Closed}) {
        kinds << fromStd(snapshotKindName(kind));
    }
    const LocalTime time{2088, 12, 28, 20, 58, 58};
    return {{fromStd(dateText(time))},
            {fromStd(timeText(time))},
            kinds,
            {differencesText(88)},
            {QStringLiteral("888888")}};
}

QPushButton* addButton(QDialogButtonBox* box, const QString& text,
                       QDialogButtonBox::ButtonRole role) {
    QPushButton* button = box->addButton(text, role);
    button->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return button;
}

}  // namespace

HistoryWindow::HistoryWindow(QWidget* parent) : QDialog(parent) {
    setFont(dialogFont());
    setWindowTitle(QStringLiteral("History"));
    setObjectName(QStringLiteral("historyWindow"));
    setModal(false);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("snapshots"));
    list_->setAccessibleName(QStringLiteral("Snapshots, newest first"));
    list_->setColumnCount(ColumnCount);
    list_->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Kind"),
                            QStringLiteral("Differs from the screen"),
                            QStringLiteral("Serial number"), QStringLiteral("Comments")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    empty_ = new QLabel(QStringLiteral("No configuration has been kept in the history yet."), this);
    empty_->setAccessibleName(empty_->text());

    allGyros_ = new QCheckBox(QStringLiteral("&All gyros"), this);
    allGyros_->setObjectName(QStringLiteral("allGyros"));
    allGyros_->setAccessibleName(QStringLiteral("All gyros"));
    // Ticked and greyed, the box would not say why it cannot be unticked.
    allGyrosNote_ = new QLabel(QStringLiteral("(no gyro has been read yet)"), this);
    allGyrosNote_->setObjectName(QStringLiteral("allGyrosNote"));
    allGyrosNote_->setAccessibleName(allGyrosNote_->text());
    auto* allGyrosRow = new QHBoxLayout;
    allGyrosRow->addWidget(allGyros_);
    allGyrosRow->addWidget(allGyrosNote_);
    allGyrosRow->addStretch();

    auto* buttons = new QDialogButtonBox(this);
    load_ = addButton(buttons, QStringLiteral("&Load"), QDialogButtonBox::ActionRole);
    load_->setObjectName(QStringLiteral("load"));
    compare_ = addButton(buttons, QStringLiteral("&Compare"), QDialogButtonBox::ActionRole);
    compare_->setObjectName(QStringLiteral("compare"));
    addButton(buttons, QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    load_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(empty_);
    layout->addLayout(allGyrosRow);
    layout->addWidget(buttons);
    // Once: a size the pilot gives the window stays when it is shown again.
    resize(std::max(openingWidth(), dialogUnitsToPixelsX(300)), dialogUnitsToPixelsY(200));

    connect(allGyros_, &QCheckBox::toggled, this, [this] { refill(); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(list_, &QTreeWidget::itemActivated, this, [this] { load_->click(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(load_, &QPushButton::clicked, this, [this] {
        if (const Snapshot* snapshot = chosen()) {
            emit loadRequested(*snapshot);
        }
    });
    connect(compare_, &QPushButton::clicked, this, [this] {
        if (const Snapshot* snapshot = chosen()) {
            emit compareRequested(*snapshot);
        }
    });
}

void HistoryWindow::present(const HistoryStore& store, const std::string& serialNumber,
                            const GyroConfig& screen) {
    store_ = &store;
    serialNumber_ = serialNumber;
    screen_ = screen;
    // The window opens on the gyro last read; before any read there is none of its own.
    {
        const QSignalBlocker quiet(allGyros_);
        allGyros_->setChecked(serialNumber.empty());
    }
    allGyros_->setEnabled(!serialNumber.empty());
    allGyrosNote_->setVisible(serialNumber.empty());
    refill();
    show();
    raise();
    activateWindow();
    list_->setFocus();
}

void HistoryWindow::setScreen(const GyroConfig& screen) {
    screen_ = screen;
    recount();
}

void HistoryWindow::refill() {
    if (store_ == nullptr) {
        return;
    }
    const bool all = allGyros_->isChecked();
    snapshots_ = all ? store_->listAll() : store_->list(serialNumber_);
    list_->setColumnHidden(Serial, !all);
    list_->clear();
    for (const Snapshot& snapshot : snapshots_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(Date, fromStd(dateText(snapshot.time)));
        item->setText(Time, fromStd(timeText(snapshot.time)));
        item->setText(Kind, fromStd(snapshotKindName(snapshot.kind)));
        item->setText(Serial, fromStd(snapshot.serialNumber));
        // The model's name, where the pilot wrote one.
        item->setText(Comments, shownComment(snapshot.config));
    }
    recount();
    list_->setVisible(!snapshots_.empty());
    empty_->setVisible(snapshots_.empty());
    if (!snapshots_.empty()) {
        list_->setCurrentItem(list_->topLevelItem(0));
    }
    updateButtons();
}

void HistoryWindow::recount() {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const int count = countDifferences(screen_, snapshots_[static_cast<std::size_t>(i)].config);
        list_->topLevelItem(i)->setText(Differences, differencesText(count));
    }
}

int HistoryWindow::openingWidth() const {
    const QFontMetrics metrics(list_->font());
    const int padding = 2 * (list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    const QList<QStringList> samples = cellSamples();
    int width = 0;
    for (int column = 0; column < ColumnCount; ++column) {
        int text = column == Comments ? metrics.averageCharWidth() * kCommentCharacters : 0;
        for (const QString& sample : samples.value(column)) {
            text = std::max(text, metrics.horizontalAdvance(sample));
        }
        width += std::max(text + padding, list_->header()->sectionSizeHint(column));
    }
    const QMargins margins = layout()->contentsMargins();
    return width + 2 * list_->frameWidth() + list_->verticalScrollBar()->sizeHint().width() +
           margins.left() + margins.right();
}

void HistoryWindow::updateButtons() {
    const bool any = chosen() != nullptr;
    load_->setEnabled(any);
    compare_->setEnabled(any);
}

const Snapshot* HistoryWindow::chosen() const {
    QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return nullptr;
    }
    const int row = list_->indexOfTopLevelItem(item);
    if (row < 0 || row >= static_cast<int>(snapshots_.size())) {
        return nullptr;
    }
    return &snapshots_[static_cast<std::size_t>(row)];
}

}  // namespace vn340
