// Every text of the window unclipped at default application fonts of 9 to 14 points, at the
// device-pixel ratio of the run (QT_SCALE_FACTOR, which ctest sets to 1, 1.5 and 2, one run
// each); and the board view's sensor labels at their places on the board picture.
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "board_view_page.h"
#include "every_view.h"
#include "main_window.h"
#include "recorded_window.h"
#include "shown_text.h"

using namespace qorv;

class TextFitTest : public QObject, private testing::RecordedWindow {
    Q_OBJECT

private:
    QTemporaryDir folder;
    QFont defaultFont;

    void makeWindow() {
        makeRecordedWindow(folder, true, kNo);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    QString setting(int points) const {
        return QStringLiteral("%1 pt at device-pixel ratio %2").arg(points).arg(window->devicePixelRatioF());
    }

private slots:
    void initTestCase() {
        QVERIFY(folder.isValid());
        defaultFont = QApplication::font();
    }
    void cleanup() {
        window.reset();
        QApplication::setFont(defaultFont);
    }

    void everyTextFitsItsPlace_data() {
        QTest::addColumn<int>("points");
        for (int points = 9; points <= 14; ++points) QTest::newRow(qPrintable(QString("%1 pt").arg(points))) << points;
    }
    void everyTextFitsItsPlace() {
        QFETCH(int, points);
        QFont font = defaultFont;
        font.setPointSize(points);
        QApplication::setFont(font);
        makeWindow();
        QStringList clipped;
        testing::showEveryView(*window, *state, [&](const QString& view, QWidget* shown) {
            for (const QString& line : testing::clippedTexts(shown)) clipped << view + ": " + line;
        });
        for (const QString& line : clipped) qWarning().noquote() << line;
        QVERIFY2(clipped.isEmpty(),
                 qPrintable(QStringLiteral("%1 texts clipped at %2").arg(clipped.size()).arg(setting(points))));
    }

    // In the picture's own pixels a label covers the board file's rectangle at every scale.
    void theSensorLabelsKeepTheirPlacesOnThePicture() {
        makeWindow();
        window->showBoardViewPage();
        BoardViewPage* view = window->boardViewPage();
        QLabel* picture = view->picture();
        const QPixmap board = picture->pixmap();
        QVERIFY(!board.isNull());
        const qreal picturePixels = board.devicePixelRatio();
        const QPoint origin = picture->mapTo(view, picture->contentsRect().topLeft());
        QVERIFY(state->table.count > 0);
        for (int i = 0; i < state->table.count; ++i) {
            const SensorSlot& s = state->table[i];
            const QRect onPage = view->sensorLabel(i)->geometry().translated(-origin);
            const QRectF inPicture(onPage.x() * picturePixels, onPage.y() * picturePixels,
                                   onPage.width() * picturePixels, onPage.height() * picturePixels);
            QCOMPARE(inPicture, QRectF(s.LabelLeft, s.LabelTop, s.LabelWidth, s.LabelHeight));
        }
    }
};

QTEST_MAIN(TextFitTest)
#include "text_fit_test.moc"
