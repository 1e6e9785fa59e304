#include "alert_block_widget.h"
#include "ui_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <limits>

namespace qorv {

namespace {
constexpr const char* kCaptions[4] = {QT_TRANSLATE_NOOP("Qorvmon", "Beep"), QT_TRANSLATE_NOOP("Qorvmon", "E-Mail"),
                                      QT_TRANSLATE_NOOP("Qorvmon", "ReBoot"),
                                      QT_TRANSLATE_NOOP("Qorvmon", "Shut Down")};
}

AlertBlockWidget::AlertBlockWidget(int block, const QString& caption, std::span<const int> frequencies, QWidget* parent)
    : QGroupBox(caption, parent) {
    auto* grid = new QGridLayout(this);
    const int firstBox = block == 1 ? 1 : 5;
    for (int i = 0; i < 4; ++i) {
        boxes_[i] = new QCheckBox(uiText(kCaptions[i]), this);
        boxes_[i]->setObjectName(QString("CheckBox%1").arg(firstBox + i));
        boxes_[i]->installEventFilter(this);
        grid->addWidget(boxes_[i], i / 2, i % 2);
    }
    auto list = [&](const char* name, auto values, const char* unit, int row) {
        auto* combo = new QComboBox(this);
        combo->setObjectName(QString("%1%2").arg(name).arg(block));
        for (int v : values) combo->addItem(QString::number(v));
        // Editable, so a stored value that is not one of the items still shows as it is;
        // typed text is checked by the capture.
        combo->setEditable(true);
        combo->setMaximumWidth(110);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setValidator(new QIntValidator(0, std::numeric_limits<int>::max(), combo));
        combo->lineEdit()->installEventFilter(this);
        grid->addWidget(combo, row, 0);
        grid->addWidget(new QLabel(uiText(unit), this), row, 1);
        connect(combo, &QComboBox::activated, this, &AlertBlockWidget::captured);
        return combo;
    };
    frequency_ = list("ListBeepFre", frequencies, QT_TRANSLATE_NOOP("Qorvmon", "Hz"), 2);
    duration_ = list("ListBeepDur", std::span<const int>(kBlockDurations), QT_TRANSLATE_NOOP("Qorvmon", "ms"), 3);
}

bool AlertBlockWidget::eventFilter(QObject* watched, QEvent* event) {
    // A ticked box counts once the focus leaves it, as the choice is then made.
    if (event->type() == QEvent::FocusOut) emit captured();
    return QGroupBox::eventFilter(watched, event);
}

void AlertBlockWidget::show(const AlertBlock& block) {
    boxes_[0]->setChecked(block.beep);
    frequency_->setCurrentText(QString::fromStdString(block.frequencyText));
    duration_->setCurrentText(QString::fromStdString(block.durationText));
    boxes_[1]->setChecked(block.email);
    boxes_[2]->setChecked(block.reboot);
    boxes_[3]->setChecked(block.shutDown);
}

AlertBlock AlertBlockWidget::current() const {
    return {boxes_[0]->isChecked(),
            boxes_[1]->isChecked(),
            boxes_[2]->isChecked(),
            boxes_[3]->isChecked(),
            frequency_->currentText().toStdString(),
            duration_->currentText().toStdString()};
}

}  // namespace qorv
