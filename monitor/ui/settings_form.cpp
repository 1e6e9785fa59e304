#include "settings_form.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "artwork.h"
#include "mail_settings_page.h"
#include "screen_layout.h"

namespace qorv {

namespace {

// Places inside the form, which stands at ui::settingsForm() on the page, at the default
// font. A larger font only ever adds to them.
constexpr int kFormWidth = ui::settingsForm().width();
constexpr int kFormHeight = ui::settingsForm().height();
constexpr int kLeftInset = 24;   // a frame's left edge to its contents
constexpr int kRightInset = 20;  // its contents to its right edge
constexpr int kFirstRowTop = 36;
constexpr int kTitleClearance = 18;  // below the frame's title, when that needs more than kFirstRowTop
constexpr int kFrameGap = 20;
constexpr int kRowHeight = 30;
constexpr int kRowGap = 14;
constexpr int kCaptionWidth = 100;
constexpr int kCaptionGap = 6;
constexpr int kFieldWidth = 300;
constexpr int kButtonGap = 20;
constexpr int kButtonWidth = 170;
constexpr int kMailNoteHeight = 36;
constexpr int kMailBottom = 16;  // the mail note to the frame's bottom edge
constexpr int kSystemTop = 38;
constexpr int kSystemNoteTop = 36;
constexpr int kSystemNoteHeight = 34;
constexpr int kSystemBottom = 26;  // the lower of the button and the note to the frame's bottom edge
constexpr int kPictureSide = 48;
constexpr int kPictureGap = 18;
constexpr int kSoundBottom = 20;
constexpr int kOkGap = 24;
constexpr QSize kOkSize(130, 34);
constexpr int kFormBottom = 6;

// Passes the typed characters of the address field through the address key filter; a
// refused character inserts nothing. Keys that type no character (arrows, Delete, Tab) and
// shortcuts (copy, paste, undo) are edits, not typing, and pass untouched.
class AddressKeyFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        // Ctrl+Alt is AltGr on some keyboards, which types characters.
        const bool shortcut = (modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && !(modifiers & Qt::AltModifier);
        if (shortcut) return false;
        for (const QChar c : key->text()) {
            const int code = c.unicode();
            const bool typed = code >= 0x20 && code != 0x7f;
            if (typed && addressKeyFilter(code) != code) return true;
        }
        return false;
    }
};

AddressList itemsOf(const QComboBox& box) {
    AddressList items;
    items.reserve(size_t(box.count()));
    for (int i = 0; i < box.count(); ++i) items.push_back(box.itemText(i).toStdString());
    return items;
}

// The drop-down shows the list as the mail settings left it; the typed text stays.
void showItems(QComboBox& box, const AddressList& items) {
    if (itemsOf(box) == items) return;
    const QString text = box.currentText();
    box.clear();
    for (const std::string& item : items) box.addItem(QString::fromStdString(item));
    box.setEditText(text);
}

QLabel* fieldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// Notes read quieter than the captions and still stand out 4.5 : 1 and more from the page:
// the text's colour a third of the way to the window's.
QColor noteColour(const QPalette& palette) {
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    auto third = [](int from, int to) { return from + (to - from) / 3; };
    return QColor(third(text.red(), window.red()), third(text.green(), window.green()),
                  third(text.blue(), window.blue()));
}

QLabel* noteLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, noteColour(palette));
    label->setPalette(palette);
    return label;
}

QGroupBox* frame(const QString& title, QWidget* parent) { return new QGroupBox(title, parent); }

// What the widget's text needs, or the default when that is more.
int widthFor(const QWidget* w, int pixels) { return std::max(pixels, w->sizeHint().width()); }
int heightFor(const QWidget* w, int pixels) { return std::max(pixels, w->sizeHint().height()); }
int heightFor(const QLabel* note, int width, int pixels) { return std::max(pixels, note->heightForWidth(width)); }

// The first row's top, clear of the frame's title.
int firstRowTop(const QGroupBox* frame) {
    return std::max(kFirstRowTop, QFontMetrics(frame->font()).height() + kTitleClearance);
}

}  // namespace

SettingsForm::SettingsForm(MonitorState& state, Platform& platform, std::function<void()> save, QWidget* parent)
    : QWidget(parent), state_(state), platform_(platform), save_(std::move(save)) {
    setObjectName(QStringLiteral("FrmSetting"));
    buildMailFrame();
    buildSystemFrame();
    buildSoundFrame();

    ok_ = new QPushButton(tr("OK"), this);
    ok_->setObjectName(QStringLiteral("comOKSetting"));
    connect(ok_, &QPushButton::clicked, this, &SettingsForm::applyAndSave);
    layOut();
}

void SettingsForm::buildMailFrame() {
    QGroupBox* mail = mailFrame_ = frame(tr("E--MAIL"), this);

    addressCaption_ = fieldLabel(tr("Address :"), mail);
    address_ = new QComboBox(mail);
    address_->setObjectName(QStringLiteral("ComboMailAddress"));
    address_->setEditable(true);
    // The remembered receivers are the mail settings' to keep: the field neither adds what
    // Enter confirms nor completes what is typed.
    address_->setInsertPolicy(QComboBox::NoInsert);
    address_->setCompleter(nullptr);
    auto* filter = new AddressKeyFilter(address_);
    address_->installEventFilter(filter);
    address_->lineEdit()->installEventFilter(filter);

    serverCaption_ = fieldLabel(tr("Mail Server"), mail);
    server_ = new QLineEdit(mail);
    server_->setObjectName(QStringLiteral("TextMailServer"));
    // A screen reader names each field by its caption.
    addressCaption_->setBuddy(address_);
    serverCaption_->setBuddy(server_);

    forget_ = new QPushButton(tr("Delete Address Record"), mail);
    forget_->setObjectName(QStringLiteral("comDeleteMailAdd"));
    connect(forget_, &QPushButton::clicked, this, &SettingsForm::forgetAddresses);

    mailNote_ = noteLabel(tr("Alert mails go to this address through this mail server."), mail);
}

void SettingsForm::buildSystemFrame() {
    systemFrame_ = frame(tr("SYSTEM"), this);
    information_ = new QPushButton(tr("System Information"), systemFrame_);
    information_->setObjectName(QStringLiteral("ComSysInfo"));
    connect(information_, &QPushButton::clicked, this, [this] { platform_.startSystemInformation(); });
    systemNote_ = noteLabel(tr("Opens the system's own hardware and system information tool."), systemFrame_);
}

void SettingsForm::buildSoundFrame() {
    soundFrame_ = frame(tr("SOUND"), this);
    soundPicture_ = new QLabel(soundFrame_);
    soundPicture_->setPixmap(artwork::soundPicture(kPictureSide));
    soundNote_ = new QLabel(tr("You can adjust the 'beep' frequency and the duration in Qorvanescope. "), soundFrame_);
    soundNote_->setWordWrap(true);
    soundNote_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void SettingsForm::layOut() {
    // Across: the captions' column, the fields, the button; the frames share one width.
    const int captionWidth =
        std::max(widthFor(addressCaption_, kCaptionWidth), widthFor(serverCaption_, kCaptionWidth));
    const int fieldLeft = kLeftInset + captionWidth + kCaptionGap;
    const int forgetLeft = fieldLeft + kFieldWidth + kButtonGap;
    const int forgetWidth = widthFor(forget_, kButtonWidth);
    const int informationWidth = widthFor(information_, kButtonWidth);
    const int okWidth = widthFor(ok_, kOkSize.width());
    const int width = std::max({kFormWidth, forgetLeft + forgetWidth + kRightInset, okWidth});

    // E--MAIL: two rows, the note beneath them.
    int rowHeight = kRowHeight;
    for (const QWidget* w : {static_cast<const QWidget*>(addressCaption_), static_cast<const QWidget*>(serverCaption_),
                             static_cast<const QWidget*>(address_), static_cast<const QWidget*>(server_),
                             static_cast<const QWidget*>(forget_)})
        rowHeight = heightFor(w, rowHeight);
    const int firstRow = firstRowTop(mailFrame_);
    const int secondRow = firstRow + rowHeight + kRowGap;
    addressCaption_->setGeometry(kLeftInset, firstRow, captionWidth, rowHeight);
    address_->setGeometry(fieldLeft, firstRow, kFieldWidth, rowHeight);
    forget_->setGeometry(forgetLeft, firstRow, forgetWidth, rowHeight);
    serverCaption_->setGeometry(kLeftInset, secondRow, captionWidth, rowHeight);
    server_->setGeometry(fieldLeft, secondRow, kFieldWidth, rowHeight);
    const int noteTop = secondRow + rowHeight + kRowGap;
    const int noteWidth = width - kLeftInset - kRightInset;
    mailNote_->setGeometry(kLeftInset, noteTop, noteWidth, heightFor(mailNote_, noteWidth, kMailNoteHeight));
    mailFrame_->setGeometry(0, 0, width, mailNote_->geometry().bottom() + 1 + kMailBottom);

    // SYSTEM: the button and its note beside it.
    const int systemShift = firstRowTop(systemFrame_) - kFirstRowTop;
    const int informationHeight = heightFor(information_, kRowHeight);
    information_->setGeometry(kLeftInset, kSystemTop + systemShift, informationWidth, informationHeight);
    const int systemNoteLeft = kLeftInset + informationWidth + kButtonGap;
    const int systemNoteWidth = width - kRightInset - systemNoteLeft;
    systemNote_->setGeometry(systemNoteLeft, kSystemNoteTop + systemShift, systemNoteWidth,
                             heightFor(systemNote_, systemNoteWidth, kSystemNoteHeight));
    const int systemBottom = std::max(information_->geometry().bottom(), systemNote_->geometry().bottom()) + 1;
    systemFrame_->setGeometry(0, mailFrame_->geometry().bottom() + 1 + kFrameGap, width, systemBottom + kSystemBottom);

    // SOUND: the picture and the note beside it.
    const int soundTop = firstRowTop(soundFrame_);
    soundPicture_->setGeometry(kLeftInset, soundTop, kPictureSide, kPictureSide);
    const int soundNoteLeft = kLeftInset + kPictureSide + kPictureGap;
    const int soundNoteWidth = width - kRightInset - soundNoteLeft;
    soundNote_->setGeometry(soundNoteLeft, soundTop, soundNoteWidth,
                            heightFor(soundNote_, soundNoteWidth, kPictureSide));
    soundFrame_->setGeometry(0, systemFrame_->geometry().bottom() + 1 + kFrameGap, width,
                             soundNote_->geometry().bottom() + 1 + kSoundBottom);

    // OK at the right, under the frames.
    const int okHeight = heightFor(ok_, kOkSize.height());
    ok_->setGeometry(width - okWidth, soundFrame_->geometry().bottom() + 1 + kOkGap, okWidth, okHeight);
    setFixedSize(width, std::max(kFormHeight, ok_->geometry().bottom() + 1 + kFormBottom));
}

void SettingsForm::showMailSettings() {
    AddressList items = itemsOf(*address_);
    fillAddressList(state_.mail, items);
    showItems(*address_, items);
    address_->setEditText(QString::fromStdString(state_.mail.CurrentAddress));
    server_->setText(QString::fromStdString(state_.mail.ServerAddress));
}

void SettingsForm::applyAndSave() {
    AddressList items = itemsOf(*address_);
    const std::string message =
        applyMailSettings(state_.mail, items, address_->currentText().toStdString(), server_->text().toStdString());
    showItems(*address_, items);
    if (!message.empty()) platform_.message(message);
    if (save_) save_();
}

void SettingsForm::forgetAddresses() {
    AddressList items = itemsOf(*address_);
    forgetAllAddresses(state_.mail, items);
    showItems(*address_, items);
    address_->setEditText(QString());
    address_->update();
}

}  // namespace qorv
