// The window's text and check marks against what they are drawn on, measured on the
// rendered widgets in Fusion and in the platform's default style: 4.5:1 for text, 3:1 for
// a check box's mark against its box.
#include <QApplication>
#include <QCheckBox>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QtTest>

#include "board_view_page.h"
#include "every_view.h"
#include "main_window.h"
#include "recorded_window.h"
#include "rendered_contrast.h"
#include "sensor_panel.h"
#include "shown_text.h"

using namespace qorv;

namespace {

constexpr double kTextContrast = 4.5;
constexpr double kMarkContrast = 3.0;

QRect inWidget(const QWidget* top, const testing::ShownText& t, const QRect& r) {
    return r.translated(t.widget->mapTo(top, QPoint(0, 0)));
}

// One line per text under top that is fainter than kTextContrast in grabbed.
QStringList faintTexts(QWidget* top, const QPixmap& grabbed) {
    QStringList faint;
    for (const testing::ShownText& t : testing::shownTexts(top)) {
        const testing::InkContrast c = testing::inkContrast(grabbed, inWidget(top, t, t.drawn));
        if (c.ratio < kTextContrast)
            faint << QStringLiteral("%1: %2 on %3, %4:1")
                         .arg(t.name, c.ink.name(), c.background.name())
                         .arg(c.ratio, 0, 'f', 2);
    }
    return faint;
}

void report(const QStringList& lines) {
    for (const QString& line : lines) qWarning().noquote() << line;
}

}  // namespace

class ContrastTest : public QObject, private testing::RecordedWindow {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString defaultStyle;

    void styleRows() {
        QTest::addColumn<QString>("style");
        QStringList styles{defaultStyle};
        for (const char* style : {"Fusion", "Windows"})
            if (!styles.contains(style, Qt::CaseInsensitive)) styles << style;
        for (const QString& style : styles) QTest::newRow(qPrintable(style)) << style;
    }
    void makeWindow(const QString& style) {
        QApplication::setStyle(QStyleFactory::create(style));
        makeRecordedWindow(folder, true, kNo);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    int slotOf(const char* unit) {
        for (int i = 0; i < state->table.count; ++i)
            if (state->table[i].Unit == unit) return i;
        return -1;
    }

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        defaultStyle = QApplication::style()->name();
    }

    // The panel's boxes ticked and unticked, on a failed voltage (its reading in red), a
    // temperature and a fan (theirs in green).
    void theSensorPanelsMarksAndTextsStandOut_data() { styleRows(); }
    void theSensorPanelsMarksAndTextsStandOut() {
        QFETCH(QString, style);
        makeWindow(style);
        library->answer("HWM1", 32, {std::nullopt});
        library->answer("HWM1", 129, {45});
        library->answer("HWM1", 40, {3000});
        window->showBoardViewPage();
        BoardViewPage* view = window->boardViewPage();
        SensorPanel* panel = view->sensorPanel();
        for (const char* unit : {"V", "C", "RPM"}) {
            view->openSensorPanel(slotOf(unit), view->mapToGlobal(QPoint(300, 200)));
            QCoreApplication::sendPostedEvents();  // the layouts the new texts ask for
            QList<QCheckBox*> boxes;
            for (QCheckBox* box : panel->findChildren<QCheckBox*>())
                if (box->isVisible()) boxes << box;
            QCOMPARE(boxes.size(), 4);

            for (QCheckBox* box : boxes) box->setChecked(false);
            const QPixmap unticked = panel->grab();
            for (QCheckBox* box : boxes) box->setChecked(true);
            const QPixmap ticked = panel->grab();

            for (const testing::ShownText& t : testing::shownTexts(panel)) {
                if (t.indicator.isEmpty()) continue;
                const testing::InkContrast mark =
                    testing::markContrast(unticked, ticked, inWidget(panel, t, t.indicator));
                QVERIFY2(mark.inkPixels > 0, qPrintable(t.name + ": ticking draws nothing"));
                QVERIFY2(mark.ratio >= kMarkContrast,
                         qPrintable(QStringLiteral("%1: mark %2 on %3, %4:1")
                                        .arg(t.name, mark.ink.name(), mark.background.name())
                                        .arg(mark.ratio, 0, 'f', 2)));
            }
            for (const QPixmap& grabbed : {unticked, ticked}) {
                const QStringList faint = faintTexts(panel, grabbed);
                report(faint);
                QVERIFY2(faint.isEmpty(),
                         qPrintable(QStringLiteral("%1 faint texts on %2").arg(faint.size()).arg(unit)));
            }
        }
    }

    void everyPageAndDialogsTextStandsOut_data() { styleRows(); }
    void everyPageAndDialogsTextStandsOut() {
        QFETCH(QString, style);
        makeWindow(style);
        QStringList faint;
        testing::showEveryView(*window, *state, [&](const QString& view, QWidget* shown) {
            for (const QString& line : faintTexts(shown, shown->grab())) faint << view + ": " + line;
        });
        report(faint);
        QVERIFY2(faint.isEmpty(), qPrintable(QStringLiteral("%1 faint texts").arg(faint.size())));
    }
};

QTEST_MAIN(ContrastTest)
#include "contrast_test.moc"
