#include "accessibility.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>

#include "number_text.h"

namespace qorv {

namespace {

struct ScreenReaderView {
    QAccessible::Role role;
    std::function<AccessibleTexts()> texts;
    std::function<void()> press;
    ReadAs readAs;
};

// The view, kept as a child of its widget so it goes with it.
class ViewHolder final : public QObject {
public:
    ViewHolder(QWidget* widget, ScreenReaderView v) : QObject(widget), view(std::move(v)) {}
    ScreenReaderView view;

    static ViewHolder* of(const QObject* widget) {
        for (QObject* child : widget->children())
            if (auto* holder = dynamic_cast<ViewHolder*>(child)) return holder;
        return nullptr;
    }
};

class DescribedWidget final : public QAccessibleWidget {
public:
    DescribedWidget(QWidget* widget, ViewHolder* holder)
        : QAccessibleWidget(widget, holder->view.role), holder_(holder) {}

    QAccessible::Role role() const override { return holder_ ? holder_->view.role : QAccessibleWidget::role(); }

    QString text(QAccessible::Text t) const override {
        if (!holder_ || !holder_->view.texts) return QAccessibleWidget::text(t);
        switch (t) {
            case QAccessible::Name: return holder_->view.texts().name;
            case QAccessible::Value: return holder_->view.texts().value;
            case QAccessible::Description: return holder_->view.texts().description;
            default: return QAccessibleWidget::text(t);
        }
    }

    int childCount() const override { return whole() ? 0 : QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        return whole() ? nullptr : QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return whole() ? -1 : QAccessibleWidget::indexOfChild(child);
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return whole() ? nullptr : QAccessibleWidget::childAt(x, y);
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (pressable()) names.prepend(pressAction());
        return names;
    }
    void doAction(const QString& action) override {
        if (action == pressAction() && pressable())
            holder_->view.press();
        else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == pressAction() && pressable()) return {QStringLiteral("Return"), QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    bool whole() const { return holder_ && holder_->view.readAs == ReadAs::OnePiece; }
    bool pressable() const { return holder_ && holder_->view.press; }

    QPointer<ViewHolder> holder_;
};

QAccessibleInterface* describedWidgets(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    ViewHolder* holder = ViewHolder::of(object);
    return holder ? new DescribedWidget(static_cast<QWidget*>(object), holder) : nullptr;
}

}  // namespace

void describeForScreenReaders(QWidget* widget, QAccessible::Role role, std::function<AccessibleTexts()> texts,
                              std::function<void()> press, ReadAs readAs) {
    ScreenReaderView view{role, std::move(texts), std::move(press), readAs};
    static const bool installed = [] {
        QAccessible::installFactory(&describedWidgets);
        return true;
    }();
    (void)installed;
    if (ViewHolder* holder = ViewHolder::of(widget))
        holder->view = std::move(view);
    else
        new ViewHolder(widget, std::move(view));
    // An interface made before the widget was described (a reader listening as the widget
    // was made) would go on answering for it: it is dropped, and the next question makes ours.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget);
        made && !dynamic_cast<DescribedWidget*>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void announceChange(QWidget* widget) {
    if (!QAccessible::isActive()) return;
    for (QAccessible::Event kind : {QAccessible::NameChanged, QAccessible::DescriptionChanged}) {
        QAccessibleEvent event(widget, kind);
        QAccessible::updateAccessibility(&event);
    }
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    QAccessibleValueChangeEvent value(widget, iface ? iface->text(QAccessible::Value) : QString());
    QAccessible::updateAccessibility(&value);
}

QString spokenReading(const std::string& readingText, const std::string& unit) {
    if (readingText.empty()) return QStringLiteral("no reading yet");
    const QString text = QString::fromStdString(readingText);
    if (readingText == kReadFailed) return text;
    if (unit == "C") return text + QStringLiteral(" degrees Celsius");
    if (unit == "V") return text + QStringLiteral(" volts");
    return unit.empty() ? text : text + ' ' + QString::fromStdString(unit);
}

QString spokenThresholds(const SensorSlot& sensor) {
    return QStringLiteral("high threshold %1, low threshold %2")
        .arg(QString::fromStdString(numberText(sensor.HighThreshold)),
             QString::fromStdString(numberText(sensor.LowThreshold)));
}

}  // namespace qorv
