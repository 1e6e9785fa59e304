#include "board_view_page.h"

#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QShortcut>
#include <algorithm>
#include <tuple>

#include "accessibility.h"
#include "picture_target.h"
#include "sensor_panel.h"
#include "sensor_panel_logic.h"
#include "ui_geometry.h"

namespace qorv {

namespace {

// A sensor's click target: transparent over the picture, outlined while the pointer is on it.
class SensorTarget : public PictureTarget {
public:
    SensorTarget(int slot, BoardViewPage* page) : PictureTarget(page), slot_(slot), page_(page) {
        setAttribute(Qt::WA_Hover);
        setStyleSheet(
            "QLabel { background: transparent; border: 1px solid transparent; border-radius: 3px; }"
            "QLabel:hover { border: 2px solid #1d6fd8; }");
    }

protected:
    void activate(QPoint globalPoint, bool byKeyboard) override {
        page_->activateSensor(slot_, globalPoint, byKeyboard);
    }

private:
    int slot_;
    BoardViewPage* page_;
};

}  // namespace

BoardViewPage::BoardViewPage(MonitorState& state, SensorSource& library, PollCycle& cycle, Platform& platform,
                             QWidget* parent)
    : QWidget(parent), state_(state), platform_(platform) {
    setObjectName("ScreenScope");
    setAccessibleName(tr("Board view page"));
    setFixedSize(ui::pageSize());
    setAutoFillBackground(true);

    picture_ = new QLabel(this);
    picture_->setObjectName("PictureBoard");
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture_->setGeometry(rect());

    missingNote_ = new QLabel(this);
    missingNote_->setObjectName("LabelNoPicture");
    missingNote_->setAlignment(Qt::AlignCenter);
    missingNote_->setWordWrap(true);
    missingNote_->setGeometry(rect().adjusted(80, 80, -80, -80));
    missingNote_->hide();

    for (int i = 0; i < kSensorLabels; ++i) {
        auto* target = new SensorTarget(i, this);
        target->setObjectName(QString("LabelOnSensor_%1").arg(i));
        labels_[size_t(i)] = target;
        auto spoken = [this, i] {
            const SensorSlot& s = state_.table[i];
            return AccessibleTexts{QString::fromStdString(s.Name), spokenReading(s.ReadingText, s.Unit),
                                   spokenThresholds(s)};
        };
        auto press = [this, i, target] { activateSensor(i, target->keyboardPoint(), true); };
        describeForScreenReaders(target, QAccessible::Button, spoken, press);
    }

    // A pointer moving over the board or over a target closes the panel.
    setMouseTracking(true);
    for (QWidget* w : {static_cast<QWidget*>(picture_), static_cast<QWidget*>(missingNote_)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    for (QLabel* label : labels_) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }

    panel_ = new SensorPanel(state, library, cycle, platform, this);
    connect(this, &BoardViewPage::sensorClicked, this, &BoardViewPage::openSensorPanel);
    // Escape closes the panel wherever the focus is in the window; the shortcut is alive only
    // while the panel shows.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), panel_);
    connect(escape, &QShortcut::activated, this, &BoardViewPage::closeSensorPanel);
}

void BoardViewPage::mouseMoveEvent(QMouseEvent* event) {
    closeSensorPanel();
    QWidget::mouseMoveEvent(event);
}

bool BoardViewPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && panel_->isVisible()) closeSensorPanel();
    return QWidget::eventFilter(watched, event);
}

void BoardViewPage::openSensorPanel(int slot, QPoint globalPointer) {
    // Placed in the window's client area, where the pointer is.
    QWidget* client = window()->findChild<QWidget*>("centralArea");
    if (!client) client = window();
    const QPoint at = sensorPanelPosition(client->mapFromGlobal(globalPointer), client->size(), panel_->size());
    panel_->open(slot, mapFrom(client, at));
    openedFrom_ = slot;
}

void BoardViewPage::activateSensor(int slot, QPoint globalPointer, bool byKeyboard) {
    if (!byKeyboard) {
        emit sensorClicked(slot, globalPointer);
        return;
    }
    openSensorPanel(slot, globalPointer);
    panel_->focusFirstField();
}

void BoardViewPage::returnFocusFromPanel() {
    QWidget* focus = window()->focusWidget();
    if (!focus || !panel_->isAncestorOf(focus) || openedFrom_ < 0) return;
    QLabel* target = labels_[size_t(openedFrom_)];
    // Moved before the panel hides, so a field's edit is committed as the focus leaves it.
    if (target->isVisible()) target->setFocus(Qt::OtherFocusReason);
}

void BoardViewPage::hideSensorPanel() {
    returnFocusFromPanel();
    panel_->hidePanel();
}

void BoardViewPage::showBoard() {
    const QString path =
        QString::fromStdString(state_.programFolder) + "/" + QString::fromStdString(state_.boardName) + ".jpg";
    QPixmap board(path);
    picture_->setPixmap(board);
    if (board.isNull()) {
        missingNote_->setText(tr("No picture of board %1: %2 is missing or unreadable.")
                                  .arg(QString::fromStdString(state_.boardName), QFileInfo(path).fileName()));
        missingNote_->show();
        if (!missingReported_) {
            missingReported_ = true;
            platform_.message(
                tr("The board picture %1 is missing or unreadable; the board view shows the sensors without it.")
                    .arg(path)
                    .toStdString());
        }
    } else {
        missingNote_->hide();
    }

    for (int i = 0; i < kSensorLabels; ++i) {
        const SensorSlot& s = state_.table[i];
        QLabel* label = labels_[size_t(i)];
        label->setGeometry(s.LabelLeft, s.LabelTop, s.LabelWidth, s.LabelHeight);
        label->setToolTip(QString::fromStdString(s.Name));
        label->setVisible(i < state_.table.count);
        label->update();
    }

    // Tab takes the targets in reading order: from the top down, left to right on a line.
    std::array<QLabel*, kSensorLabels> order = labels_;
    std::stable_sort(order.begin(), order.end(), [](const QLabel* a, const QLabel* b) {
        return std::tuple(a->isHidden(), a->y(), a->x()) < std::tuple(b->isHidden(), b->y(), b->x());
    });
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void BoardViewPage::commitSensorPanelEdits() { panel_->commitEdits(); }

void BoardViewPage::closeSensorPanel() {
    returnFocusFromPanel();
    panel_->closePanel();
}

}  // namespace qorv
