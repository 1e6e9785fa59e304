// What a screen reader finds in the window, under the offscreen platform: a name on every
// widget it can focus and on every widget that draws itself, and the sensors read with
// their readings and thresholds as they change.
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

#include "board_view_page.h"
#include "every_view.h"
#include "gauge_widget.h"
#include "main_window.h"
#include "monitoring_page.h"
#include "navigation_strip.h"
#include "reading_grid_widget.h"
#include "recorded_window.h"

using namespace qorv;

namespace {

// The widgets that draw themselves: the strip and its buttons, the board's targets, the
// monitor lamp, the gauges and the grids.
bool drawsItself(const QObject* object) {
    if (!object) return false;
    const QString name = object->objectName();
    return qobject_cast<const NavigationStrip*>(object) || qobject_cast<const GaugeWidget*>(object) ||
           qobject_cast<const ReadingGridWidget*>(object) || name.startsWith("L_") ||
           name.startsWith("LabelOnSensor_") || name == "lampForMonitor";
}

QString nameOf(QAccessibleInterface* node) {
    const QObject* object = node->object();
    if (object && !object->objectName().isEmpty()) return object->objectName();
    return object ? QString::fromLatin1(object->metaObject()->className()) : "a part of " + nameOf(node->parent());
}

// An editable list's own text field, which a reader reads with the list.
bool partOfAList(const QObject* object) {
    return qobject_cast<const QLineEdit*>(object) && qobject_cast<const QComboBox*>(object->parent());
}

// Walks the accessible tree under node: every shown node that takes the focus or draws
// itself and has no name goes to unnamed; drawn counts the named ones that draw themselves.
void collectUnnamed(QAccessibleInterface* node, QStringList& unnamed, int& drawn) {
    if (!node || node->state().invisible) return;
    const bool own = drawsItself(node->object());
    if (own || (node->state().focusable && !partOfAList(node->object()))) {
        if (node->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << nameOf(node);
        else if (own)
            ++drawn;
    }
    for (int i = 0; i < node->childCount(); ++i) collectUnnamed(node->child(i), unnamed, drawn);
}

struct Spoken {
    QString name, value, description;  // a null text is not checked
};

}  // namespace

class AccessibilityTest : public QObject, private testing::RecordedWindow {
    Q_OBJECT

private:
    QTemporaryDir folder;

    void openWindow() {
        makeRecordedWindow(folder, true, kYes);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    QAccessibleInterface* of(const char* name) {
        return QAccessible::queryAccessibleInterface(window->findChild<QWidget*>(name));
    }
    void expect(const char* what, QAccessibleInterface* node, const Spoken& spoken) {
        QVERIFY2(node, what);
        const QString texts[] = {node->text(QAccessible::Name), node->text(QAccessible::Value),
                                 node->text(QAccessible::Description)};
        const QString expected[] = {spoken.name, spoken.value, spoken.description};
        for (int t = 0; t < 3; ++t)
            QVERIFY2(expected[t].isNull() || texts[t] == expected[t],
                     qPrintable(QString("%1: \"%2\", not \"%3\"").arg(what, texts[t], expected[t])));
    }

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }

    void everyFocusableOrSelfDrawnWidgetIsNamed() {
        openWindow();
        std::map<QString, QStringList> unnamed;
        int drawn = 0;
        testing::showEveryView(*window, *state, [&](const QString& view, QWidget* shown) {
            QStringList& missing = unnamed[view];
            collectUnnamed(QAccessible::queryAccessibleInterface(shown), missing, drawn);
        });
        QVERIFY(unnamed.size() >= 8);
        for (const auto& [view, missing] : unnamed)
            QVERIFY2(missing.isEmpty(), qPrintable(view + ": " + missing.join(", ")));
        // The strip's six, the targets, lamp, gauges and grids of several views.
        QVERIFY(drawn > 50);
    }

    void mailFieldsAreLabelledByTheirCaptions() {
        openWindow();
        window->showSettingsPage();
        for (const auto& [field, caption] :
             {std::pair{"ComboMailAddress", "Address :"}, {"TextMailServer", "Mail Server"}}) {
            const auto labels = of(field)->relations(QAccessible::Label);
            QVERIFY2(!labels.isEmpty(), field);
            QCOMPARE(labels.first().first->text(QAccessible::Name), QString(caption));
        }
    }

    void sensorsAreReadWithTheirReadingsAsTheyChange() {
        openWindow();
        const int temperature = 14;  // CPU1 Temp, HWM1 channel 129, thresholds 75 and 0
        library->answer("HWM1", 129, {45});
        window->showMonitoringPage();
        MonitoringPage* page = window->monitoringPage();
        page->tabStrip()->setCurrentIndex(2);  // the temperatures, read at once
        auto* grid = window->findChild<ReadingGridWidget*>("MSFlexGridFan_2");
        int row = 1;
        while (row <= grid->rowCount() && grid->nameAt(row) != "CPU1 Temp") ++row;
        QVERIFY(row <= grid->rowCount());
        emit grid->rowClicked(row);  // the gauge follows CPU1 Temp from its next tick
        auto cell = [&](int column) {
            return QAccessible::queryAccessibleInterface(grid)->tableInterface()->cellAt(row - 1, column);
        };
        auto* gauge = window->findChild<QWidget*>("Frame1_2")->findChild<GaugeWidget*>();
        QTRY_COMPARE(QAccessible::queryAccessibleInterface(gauge)->text(QAccessible::Name), QString("CPU1 Temp"));

        expect("a strip button", of("L_Real"), {"Monitoring", "", "Shows the System Monitoring page"});
        QCOMPARE(of("L_Real")->role(), QAccessible::Button);
        expect("a sensor target", of("LabelOnSensor_14"),
               {"CPU1 Temp", "45 degrees Celsius", "high threshold 75, low threshold 0"});
        expect("a grid's name cell", cell(0),
               {"CPU1 Temp", QString(), "CPU1 Temp, 45 degrees Celsius, high threshold 75, low threshold 0"});
        expect("a grid's reading cell", cell(1), {"45", QString(), QString()});
        expect("the gauge", QAccessible::queryAccessibleInterface(gauge),
               {"CPU1 Temp", "45 degrees Celsius", "scale from -10 to 115 degrees Celsius"});
        expect("the lamp", of("lampForMonitor"), {"Monitor lamp", "Monitoring off", QString()});

        // A new reading, a new threshold, monitoring turned on.
        library->answer("HWM1", 129, {50});
        state->table[temperature].HighThreshold = 80;
        page->refreshVisibleGroup();
        window->findChild<QPushButton*>("comEnableMonitor")->click();
        QTRY_COMPARE(QAccessible::queryAccessibleInterface(gauge)->text(QAccessible::Value),
                     QString("50 degrees Celsius"));
        expect("the sensor target, later", of("LabelOnSensor_14"),
               {"CPU1 Temp", "50 degrees Celsius", "high threshold 80, low threshold 0"});
        expect("the grid's name cell, later", cell(0),
               {"CPU1 Temp", QString(), "CPU1 Temp, 50 degrees Celsius, high threshold 80, low threshold 0"});
        expect("the lamp, later", of("lampForMonitor"), {"Monitor lamp", "Monitoring on", QString()});
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
