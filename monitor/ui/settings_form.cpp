#include "settings_form.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "artwork.h"
#include "mail_settings_page.h"
#include "screen_layout.h"

namespace qorv {

namespace {

constexpr const char* kSoundNote = "You can adjust the 'beep' frequency and the duration in Qorvanescope. ";

// Places inside the form, which stands at ui::settingsForm() on the page.
constexpr int kFrameWidth = ui::settingsForm().width();
constexpr QRect kMailFrame(0, 0, kFrameWidth, 176);
constexpr QRect kSystemFrame(0, 196, kFrameWidth, 96);
constexpr QRect kSoundFrame(0, 312, kFrameWidth, 104);
constexpr QRect kOkButton(kFrameWidth - 130, 440, 130, 34);

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

QLabel* fieldLabel(const QString& text, const QRect& place, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QLabel* noteLabel(const QString& text, const QRect& place, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

QGroupBox* frame(const char* title, const QRect& place, QWidget* parent) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    box->setGeometry(place);
    return box;
}

}  // namespace

SettingsForm::SettingsForm(MonitorState& state, Platform& platform, std::function<void()> save, QWidget* parent)
    : QWidget(parent), state_(state), platform_(platform), save_(std::move(save)) {
    setObjectName(QStringLiteral("FrmSetting"));
    setFixedSize(ui::settingsForm().size());
    buildMailFrame();
    buildSystemFrame();
    buildSoundFrame();

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("comOKSetting"));
    ok->setGeometry(kOkButton);
    connect(ok, &QPushButton::clicked, this, &SettingsForm::applyAndSave);
}

void SettingsForm::buildMailFrame() {
    QGroupBox* mail = frame("E--MAIL", kMailFrame, this);

    fieldLabel(QStringLiteral("Address :"), QRect(24, 36, 100, 30), mail);
    address_ = new QComboBox(mail);
    address_->setObjectName(QStringLiteral("ComboMailAddress"));
    address_->setGeometry(130, 36, 300, 30);
    address_->setEditable(true);
    // The remembered receivers are the mail settings' to keep: the field neither adds what
    // Enter confirms nor completes what is typed.
    address_->setInsertPolicy(QComboBox::NoInsert);
    address_->setCompleter(nullptr);
    auto* filter = new AddressKeyFilter(address_);
    address_->installEventFilter(filter);
    address_->lineEdit()->installEventFilter(filter);

    fieldLabel(QStringLiteral("Mail Server"), QRect(24, 80, 100, 30), mail);
    server_ = new QLineEdit(mail);
    server_->setObjectName(QStringLiteral("TextMailServer"));
    server_->setGeometry(130, 80, 300, 30);

    auto* forget = new QPushButton(QStringLiteral("Delete Address Record"), mail);
    forget->setObjectName(QStringLiteral("comDeleteMailAdd"));
    forget->setGeometry(450, 36, 170, 30);
    connect(forget, &QPushButton::clicked, this, &SettingsForm::forgetAddresses);

    noteLabel(QStringLiteral("Alert mails go to this address through this mail server."), QRect(24, 124, 596, 36),
              mail);
}

void SettingsForm::buildSystemFrame() {
    QGroupBox* system = frame("SYSTEM", kSystemFrame, this);
    auto* information = new QPushButton(QStringLiteral("System Information"), system);
    information->setObjectName(QStringLiteral("ComSysInfo"));
    information->setGeometry(24, 38, 170, 30);
    connect(information, &QPushButton::clicked, this, [this] { platform_.startSystemInformation(); });
    noteLabel(QStringLiteral("Opens the system's own hardware and system information tool."), QRect(214, 36, 406, 34),
              system);
}

void SettingsForm::buildSoundFrame() {
    QGroupBox* sound = frame("SOUND", kSoundFrame, this);
    auto* picture = new QLabel(sound);
    picture->setPixmap(artwork::soundPicture(48));
    picture->setGeometry(24, 36, 48, 48);
    auto* note = new QLabel(QString::fromLatin1(kSoundNote), sound);
    note->setGeometry(90, 36, 530, 48);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
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
