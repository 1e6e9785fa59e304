#include "board_view_page.h"

#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "sensor_panel.h"
#include "sensor_panel_logic.h"
#include "ui_geometry.h"

namespace qorv {

namespace {

// A sensor's click target: transparent over the picture, outlined while the pointer is on it.
class SensorTarget : public QLabel {
public:
    SensorTarget(int slot, BoardViewPage* page) : QLabel(page), slot_(slot), page_(page) {
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        setStyleSheet(
            "QLabel { background: transparent; border: 1px solid transparent; border-radius: 3px; }"
            "QLabel:hover { border: 2px solid #1d6fd8; }");
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) emit page_->sensorClicked(slot_, event->globalPosition().toPoint());
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
        labels_[size_t(i)] = new SensorTarget(i, this);
        labels_[size_t(i)]->setObjectName(QString("LabelOnSensor_%1").arg(i));
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
}

void BoardViewPage::hideSensorPanel() { panel_->hidePanel(); }

void BoardViewPage::showBoard() {
    const QString path =
        QString::fromStdString(state_.programFolder) + "/" + QString::fromStdString(state_.boardName) + ".jpg";
    QPixmap board(path);
    picture_->setPixmap(board);
    if (board.isNull()) {
        missingNote_->setText(QString("No picture of board %1: %2 is missing or unreadable.")
                                  .arg(QString::fromStdString(state_.boardName), QFileInfo(path).fileName()));
        missingNote_->show();
        if (!missingReported_) {
            missingReported_ = true;
            platform_.message("The board picture " + path.toStdString() +
                              " is missing or unreadable; the board view shows the sensors without it.");
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
}

void BoardViewPage::commitSensorPanelEdits() { panel_->commitEdits(); }

void BoardViewPage::closeSensorPanel() { panel_->closePanel(); }

}  // namespace qorv
