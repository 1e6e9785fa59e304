#include "countdown_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform.h"
#include "progress_bar.h"
#include "ui_text.h"

namespace qorv {

namespace {
// The dialog's width where its texts need less.
constexpr int kMinimumWidth = 460;
}  // namespace

// picProcessBar: paints the bar the alerts library shapes.
class ProgressBarWidget : public QWidget {
public:
    explicit ProgressBarWidget(QWidget* parent) : QWidget(parent) {
        setObjectName("picProcessBar");
        setFixedHeight(30);
        setAutoFillBackground(true);
    }
    void setFraction(float fraction) {
        fraction_ = fraction;
        update();
    }
    float fraction() const { return fraction_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const ProgressBarShape shape = DrawProgressBar(width(), height(), fraction_);
        auto rect = [](const BarRect& r) { return QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top); };
        p.fillRect(rect(shape.bar), QColor(0, 0, 255));  // the bar's colour, blue
        for (const BarRect& gap : shape.gaps) p.fillRect(rect(gap), palette().window());
    }

private:
    float fraction_ = 0.0f;
};

CountdownDialog::CountdownDialog(const CountdownTexts& texts, AlarmHandOver& handOver, QWidget* owner)
    : QDialog(owner), handOver_(handOver) {
    setObjectName("warningDialog");
    setWindowTitle(kApplicationTitle);
    setModal(true);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* layout = new QVBoxLayout(this);
    auto label = [&](const char* name, const std::string& text, bool bold = false) {
        auto* l = new QLabel(uiText(text), this);
        l->setObjectName(name);
        if (bold) {
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
        layout->addWidget(l);
        return l;
    };
    label("Label2", kCountdownTitleLine, true);
    auto* warning = label("LabelWarning", texts.warning, true);
    warning->setStyleSheet("color: #b00020;");
    label("Label1", texts.countdown);
    label("Label3", texts.atOnce);
    label("Label4", kCountdownCancelLine);

    bar_ = new ProgressBarWidget(this);
    layout->addWidget(bar_);

    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName("FlatBttnOK");
    auto* cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName("FlatBttnCancel");
    cancelButton->setDefault(true);  // a stray Enter must not stop the machine
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
    // Never smaller than its texts need, however small the screen: a dialog the window
    // system would shrink to fit the screen would cut them.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    const QMargins margins = layout->contentsMargins();
    layout->addStrut(kMinimumWidth - margins.left() - margins.right());

    connect(ok, &QPushButton::clicked, this, &CountdownDialog::proceed);
    connect(cancelButton, &QPushButton::clicked, this, &CountdownDialog::cancel);

    timer_ = new QTimer(this);
    timer_->setObjectName("TimerForWaiting");
    timer_->setInterval(kCountdownTickMs);
    connect(timer_, &QTimer::timeout, this, &CountdownDialog::tick);
    timer_->start();
}

void CountdownDialog::tick() {
    if (progress_.tick()) {
        proceed();
        return;
    }
    bar_->setFraction(progress_.value());
}

void CountdownDialog::done(int result) {
    timer_->stop();
    QDialog::done(result);
}

void CountdownDialog::proceed() {
    timer_->stop();
    handOver_.countdownResult = kCountdownProceed;
    accept();
}

void CountdownDialog::cancel() {
    timer_->stop();
    handOver_.countdownResult = kCountdownCancelled;
    reject();
}

}  // namespace qorv
