#include "shown_text.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>

namespace qorv::testing {

namespace {

// The styles' options come from the widgets' own protected initStyleOption, reached through
// a pointer to the member, so a measurement sees exactly what the widget paints.
struct PushButtonOption : QPushButton {
    static constexpr auto init = &PushButtonOption::initStyleOption;
};
struct CheckBoxOption : QCheckBox {
    static constexpr auto init = &CheckBoxOption::initStyleOption;
};
struct RadioButtonOption : QRadioButton {
    static constexpr auto init = &RadioButtonOption::initStyleOption;
};
struct GroupBoxOption : QGroupBox {
    static constexpr auto init = &GroupBoxOption::initStyleOption;
};
struct TabOption : QTabBar {
    static constexpr auto init = &TabOption::initStyleOption;
};

constexpr int kUnbounded = 1 << 20;

QString describe(const QWidget* w, const QString& text) {
    return QStringLiteral("%1 %2 \"%3\"").arg(QLatin1String(w->metaObject()->className()), w->objectName(), text);
}

QSize lineSize(const QWidget* w, const QString& text) {
    return QFontMetrics(w->font()).size(Qt::TextShowMnemonic, text);
}

void addLabel(QLabel* label, std::vector<ShownText>& out) {
    if (label->text().isEmpty()) return;
    const int m = label->margin();
    const QRect place = label->contentsRect().adjusted(m, m, -m, -m);
    const QFontMetrics metrics(label->font());
    const QSize needed = label->wordWrap() ? metrics
                                                 .boundingRect(QRect(0, 0, place.width(), kUnbounded),
                                                               Qt::TextWordWrap | Qt::TextExpandTabs, label->text())
                                                 .size()
                                           : metrics.size(Qt::TextExpandTabs, label->text());
    out.push_back({label, label->text(), place, needed, {}, {}, describe(label, label->text())});
    out.back().drawn = QStyle::alignedRect(label->layoutDirection(), label->alignment(), needed, place);
}

void addButton(QAbstractButton* button, std::vector<ShownText>& out) {
    if (button->text().isEmpty()) return;
    QStyle* style = button->style();
    ShownText shown{button,
                    button->text(),
                    button->rect(),
                    lineSize(button, button->text()),
                    {},
                    {},
                    describe(button, button->text())};
    Qt::Alignment alignment = Qt::AlignCenter;
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        QStyleOptionButton option;
        (push->*PushButtonOption::init)(&option);
        shown.place = style->subElementRect(QStyle::SE_PushButtonContents, &option, push);
    } else if (auto* check = qobject_cast<QCheckBox*>(button)) {
        QStyleOptionButton option;
        (check->*CheckBoxOption::init)(&option);
        shown.place = style->subElementRect(QStyle::SE_CheckBoxContents, &option, check);
        shown.indicator = style->subElementRect(QStyle::SE_CheckBoxIndicator, &option, check);
        alignment = Qt::AlignLeft | Qt::AlignVCenter;
    } else if (auto* radio = qobject_cast<QRadioButton*>(button)) {
        QStyleOptionButton option;
        (radio->*RadioButtonOption::init)(&option);
        shown.place = style->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
        shown.indicator = style->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio);
        alignment = Qt::AlignLeft | Qt::AlignVCenter;
    }
    shown.drawn = QStyle::alignedRect(button->layoutDirection(), alignment, shown.needed, shown.place);
    out.push_back(shown);
}

void addGroupBox(QGroupBox* box, std::vector<ShownText>& out) {
    if (box->title().isEmpty()) return;
    QStyleOptionGroupBox option;
    (box->*GroupBoxOption::init)(&option);
    const QRect place = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    const QSize needed = lineSize(box, box->title());
    out.push_back({box,
                   box->title(),
                   place,
                   needed,
                   QStyle::alignedRect(box->layoutDirection(), Qt::AlignCenter, needed, place),
                   {},
                   describe(box, box->title())});
}

void addTabs(QTabBar* tabs, std::vector<ShownText>& out) {
    for (int i = 0; i < tabs->count(); ++i) {
        if (!tabs->isTabVisible(i) || tabs->tabText(i).isEmpty()) continue;
        QStyleOptionTab option;
        (tabs->*TabOption::init)(&option, i);
        const QRect place = tabs->style()->subElementRect(QStyle::SE_TabBarTabText, &option, tabs);
        const QSize needed = lineSize(tabs, tabs->tabText(i));
        // The style's text space may reach past the tab; the text lands in its middle.
        out.push_back({tabs,
                       tabs->tabText(i),
                       place,
                       needed,
                       QStyle::alignedRect(tabs->layoutDirection(), Qt::AlignCenter, needed, place),
                       {},
                       describe(tabs, tabs->tabText(i)) + " tab"});
    }
}

void add(QWidget* w, std::vector<ShownText>& out) {
    if (auto* label = qobject_cast<QLabel*>(w))
        addLabel(label, out);
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        addButton(button, out);
    else if (auto* box = qobject_cast<QGroupBox*>(w))
        addGroupBox(box, out);
    else if (auto* tabs = qobject_cast<QTabBar*>(w))
        addTabs(tabs, out);
}

// The first widget, from w up to its window, whose edge cuts place (in w's coordinates).
const QWidget* cutBy(const QWidget* w, QRect place) {
    for (; w; w = w->parentWidget()) {
        if (!w->rect().contains(place)) return w;
        if (w->isWindow()) break;
        place.translate(w->pos());
    }
    return nullptr;
}

}  // namespace

std::vector<ShownText> shownTexts(QWidget* root) {
    std::vector<ShownText> out;
    if (!root->isVisible()) return out;
    add(root, out);
    for (QWidget* w : root->findChildren<QWidget*>())
        if (w->isVisible()) add(w, out);
    return out;
}

QStringList clippedTexts(QWidget* root) {
    QStringList problems;
    for (const ShownText& t : shownTexts(root)) {
        if (t.place.width() < t.needed.width() || t.place.height() < t.needed.height())
            problems << QStringLiteral("%1 needs %2 x %3, has %4 x %5")
                            .arg(t.name)
                            .arg(t.needed.width())
                            .arg(t.needed.height())
                            .arg(t.place.width())
                            .arg(t.place.height());
        else if (const QWidget* edge = cutBy(t.widget, t.drawn))
            problems << QStringLiteral("%1 is cut by the edge of %2 %3")
                            .arg(t.name, QLatin1String(edge->metaObject()->className()), edge->objectName());
    }
    return problems;
}

}  // namespace qorv::testing
