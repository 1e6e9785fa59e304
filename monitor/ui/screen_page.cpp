#include "screen_page.h"

#include <QLabel>
#include <QTextEdit>

#include "about_text.h"
#include "artwork.h"
#include "screen_layout.h"
#include "settings_form.h"
#include "ui_geometry.h"
#include "ui_text.h"

namespace qorv {

namespace {

enum Background { kAboutBackground = 0, kSettingsBackground = 1 };

QString paragraph(const char* text) { return "<p>" + uiText(text).toHtmlEscaped() + "</p>"; }

QString heading(const char* text) { return "<h3>" + uiText(text).toHtmlEscaped() + "</h3>"; }

QString agreementHtml() {
    QString html = heading(about::kProductName);
    for (const char* text : about::kDescription) html += paragraph(text);
    html += heading(about::kTermsTitle);
    for (const char* text : about::kTerms) html += paragraph(text);
    return html;
}

}  // namespace

struct ScreenPage::Parts {
    QLabel* background = nullptr;
    Background shown = kAboutBackground;
    QTextEdit* agreement = nullptr;
    QLabel* version = nullptr;
    SettingsForm* settings = nullptr;

    // A background is a page-sized picture (2.8 MB decoded): drawn when its page shows.
    void showBackground(Background which, bool visible) {
        shown = which;
        if (visible) background->setPixmap(artwork::screenBackground(which));
    }
};

ScreenPage::ScreenPage(MonitorState& state, Platform& platform, std::function<void()> save, QWidget* parent)
    : QWidget(parent), parts_(std::make_unique<Parts>()) {
    setObjectName(QStringLiteral("Screen"));
    setFixedSize(ui::pageSize());

    // Created first, so everything else lies above it.
    parts_->background = new QLabel(this);
    parts_->background->setGeometry(rect());

    parts_->agreement = new QTextEdit(this);
    parts_->agreement->setObjectName(QStringLiteral("txtBoxAgreement"));
    parts_->agreement->setGeometry(ui::agreementBox());
    parts_->agreement->setReadOnly(true);
    parts_->agreement->setAccessibleName(tr("About and terms of use"));
    parts_->agreement->setHtml(agreementHtml());

    parts_->version = new QLabel(QString::fromLatin1(about::kVersionText), this);
    parts_->version->setObjectName(QStringLiteral("LabelVersion"));
    parts_->version->setGeometry(ui::versionLabel());
    parts_->version->setAlignment(Qt::AlignCenter);
    QFont versionFont = parts_->version->font();
    versionFont.setPixelSize(15);
    versionFont.setBold(true);
    parts_->version->setFont(versionFont);

    parts_->settings = new SettingsForm(state, platform, std::move(save), this);
    parts_->settings->move(ui::settingsForm().topLeft());

    showAbout();
}

ScreenPage::~ScreenPage() = default;

void ScreenPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    parts_->showBackground(parts_->shown, true);
}

void ScreenPage::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    parts_->background->clear();
}

void ScreenPage::showAbout() {
    parts_->settings->hide();
    parts_->agreement->show();
    parts_->version->show();
    parts_->showBackground(kAboutBackground, isVisible());
}

void ScreenPage::showSettings() {
    parts_->settings->show();
    parts_->agreement->hide();
    parts_->version->hide();
    parts_->showBackground(kSettingsBackground, isVisible());
    parts_->settings->showMailSettings();
}

}  // namespace qorv
