// The drawn pictures: sizes the window's fixed layout relies on, the lit button following
// the page, a fan that turns and loops, and transparency where the pictures lie over others.
// With QORV_ARTWORK_DIR set, every picture is also written there as PNG for a look.
#include <QDir>
#include <QImage>
#include <QtTest>

#include "artwork.h"
#include "ui_geometry.h"

using namespace qorv;

namespace {

QImage imageOf(const QPixmap& pixmap) { return pixmap.toImage().convertToFormat(QImage::Format_ARGB32); }

// The fraction of pixels that differ between two images inside a rectangle.
double changedShare(const QImage& a, const QImage& b, const QRect& area) {
    int changed = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) ++changed;
    return double(changed) / (area.width() * area.height());
}

}  // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

private slots:
    void picturesFitTheFixedLayout() {
        for (int page = 0; page < 4; ++page) QCOMPARE(artwork::navigationStrip(page).size(), ui::stripSize());
        QCOMPARE(artwork::screenBackground(0).size(), ui::pageSize());
        QCOMPARE(artwork::screenBackground(1).size(), ui::pageSize());
        QCOMPARE(artwork::fanFrame(0, 120).size(), QSize(120, 120));

        const QIcon icon = artwork::applicationIcon();
        for (int side : {16, 22, 32, 48, 64}) QCOMPARE(icon.pixmap(side).size(), QSize(side, side));
    }

    void onlyTheCurrentPagesButtonIsLit() {
        const QImage about = imageOf(artwork::navigationStrip(artwork::kAboutPage));
        const QImage settings = imageOf(artwork::navigationStrip(artwork::kSettingsPage));
        const QRect aboutButton = ui::navigationButton(0);
        const QRect settingsButton = ui::navigationButton(2);
        QVERIFY(changedShare(about, settings, aboutButton) > 0.5);
        QVERIFY(changedShare(about, settings, settingsButton) > 0.5);
        QCOMPARE(changedShare(about, settings, ui::navigationButton(1)), 0.0);
        QCOMPARE(changedShare(about, settings, ui::navigationButton(4)), 0.0);
        // The lit button stands out from the strip around it.
        const QColor lit = about.pixelColor(aboutButton.center() + QPoint(30, 20));
        const QColor unlit = settings.pixelColor(aboutButton.center() + QPoint(30, 20));
        QVERIFY(lit.lightness() > unlit.lightness() + 40);
    }

    void theFanTurnsAndLoops() {
        const QImage first = imageOf(artwork::fanFrame(0));
        QImage previous = first;
        for (int frame = 1; frame < artwork::kFanFrames; ++frame) {
            const QImage current = imageOf(artwork::fanFrame(frame));
            QVERIFY2(current != previous, qPrintable(QString("frame %1 repeats its predecessor").arg(frame)));
            previous = current;
        }
        QCOMPARE(imageOf(artwork::fanFrame(artwork::kFanFrames)), first);
        QCOMPARE(imageOf(artwork::fanFrame(-1)), imageOf(artwork::fanFrame(artwork::kFanFrames - 1)));
    }

    void overlaidPicturesAreTransparentAroundTheirShape() {
        const QImage fan = imageOf(artwork::fanFrame(2, 96));
        QCOMPARE(qAlpha(fan.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(fan.pixel(int(96 * 0.13), int(96 * 0.13))), 0);  // a screw hole
        QCOMPARE(qAlpha(fan.pixel(48, 48)), 255);
        const QImage icon = artwork::applicationIcon().pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(16, 16)), 255);
        // The page backgrounds carry the widgets and are opaque everywhere.
        const QImage background = imageOf(artwork::screenBackground(1));
        QCOMPARE(qAlpha(background.pixel(0, 0)), 255);
        QCOMPARE(qAlpha(background.pixel(999, 719)), 255);
    }

    void savesThePicturesForALookWhenAsked() {
        const QString folder = qEnvironmentVariable("QORV_ARTWORK_DIR");
        if (folder.isEmpty()) QSKIP("QORV_ARTWORK_DIR not set");
        QVERIFY(QDir().mkpath(folder));
        const QDir dir(folder);
        for (int page = 0; page < 4; ++page)
            QVERIFY(artwork::navigationStrip(page).save(dir.filePath(QString("strip_%1.png").arg(page))));
        for (int index = 0; index < 2; ++index)
            QVERIFY(artwork::screenBackground(index).save(dir.filePath(QString("background_%1.png").arg(index))));
        for (int side : {16, 22, 32, 48, 64})
            QVERIFY(artwork::applicationIcon().pixmap(side).save(dir.filePath(QString("icon_%1.png").arg(side))));
        for (int frame = 0; frame < artwork::kFanFrames; ++frame)
            QVERIFY(artwork::fanFrame(frame, 192).save(dir.filePath(QString("fan_%1.png").arg(frame))));
        QVERIFY(artwork::soundPicture(96).save(dir.filePath("sound.png")));
    }
};

QTEST_MAIN(ArtworkTest)
#include "artwork_test.moc"
