#include "board_select_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "artwork.h"
#include "startup.h"
#include "ui_text.h"

namespace qorv {

namespace {
// The dialog's width where its texts need less.
constexpr int kMinimumWidth = 420;
}  // namespace

BoardSelectDialog::BoardSelectDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("frmForBoardSelect");
    setWindowTitle(tr("Login"));
    setWindowIcon(artwork::applicationIcon());

    auto* layout = new QVBoxLayout(this);
    auto* welcome = new QLabel(uiText(kWelcomeText), this);
    welcome->setObjectName("lblLabels");
    welcome->setWordWrap(true);
    layout->addWidget(welcome);

    auto* frame = new QGroupBox(tr("QORVANE Motherboards"), this);
    auto* grid = new QGridLayout(frame);
    options_ = new QButtonGroup(this);
    // Index order: the left column top to bottom, then the right column.
    for (int i = 0; i < 8; ++i) {
        auto* option = new QRadioButton(kSupportedBoards[i], frame);
        option->setObjectName(QString("Option_MB_%1").arg(i));
        options_->addButton(option, i);
        grid->addWidget(option, i % 4, i / 4);
    }
    layout->addWidget(frame);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName("cmdOK");
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName("comCancel");
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    // Never smaller than its texts need, however small the screen: a dialog the window
    // system would shrink to fit the screen would cut them. The welcome wraps, so its height
    // follows from the dialog's width.
    const int width = std::max(kMinimumWidth, sizeHint().width());
    setMinimumSize(width, std::max(heightForWidth(width), sizeHint().height()));

    connect(ok, &QPushButton::clicked, this, &BoardSelectDialog::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString BoardSelectDialog::boardName() const {
    const QAbstractButton* chosen = options_->checkedButton();
    return chosen ? chosen->text() : QString();
}

void BoardSelectDialog::confirm() {
    // With no board chosen there is no board file to read: the dialog stays.
    if (!boardName().isEmpty()) accept();
}

}  // namespace qorv
