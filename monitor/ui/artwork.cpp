#include "artwork.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>
#include <array>
#include <cmath>

#include "screen_layout.h"
#include "ui_geometry.h"
#include "ui_text.h"

namespace qorv::artwork {

namespace {

// The palette every picture shares.
const QColor kNavyDeep(0x0b, 0x1a, 0x2c);
const QColor kNavy(0x12, 0x26, 0x3f);
const QColor kNavyLight(0x1c, 0x38, 0x5a);
const QColor kTeal(0x1f, 0x8f, 0x8c);
const QColor kTealBright(0x33, 0xb8, 0xab);
const QColor kAccent(0x9a, 0xf2, 0xe2);
const QColor kInk(0xea, 0xf3, 0xf6);
const QColor kMuted(0x8b, 0xa5, 0xbb);
const QColor kPin(0x76, 0x90, 0xa8);  // reads on light and dark grounds alike
const QColor kSurface(0xf5, 0xf8, 0xfa);
const QColor kSurfaceShade(0xe2, 0xea, 0xef);

constexpr const char* kFontFamily = "DejaVu Sans";

constexpr std::array<const char*, ui::kNavigationButtons> kCaptions = {
    QT_TRANSLATE_NOOP("Qorvmon", "About"), QT_TRANSLATE_NOOP("Qorvmon", "System Monitoring"),
    QT_TRANSLATE_NOOP("Qorvmon", "General Setting"), QT_TRANSLATE_NOOP("Qorvmon", "Qorvanescope"),
    QT_TRANSLATE_NOOP("Qorvmon", "Exit")};
constexpr int kIconSizes[] = {16, 22, 32, 48, 64};
// Blades of the fan rotor. The frames share out one blade pitch, so frame 6 would equal
// frame 0 and every step is well below half a pitch: the eye sees one direction.
constexpr int kFanBlades = 5;
constexpr qreal kFanStepDegrees = 360.0 / kFanBlades / kFanFrames;

QFont font(int pixels, bool bold = false, qreal spacing = 0) {
    QFont f(QString::fromLatin1(kFontFamily));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    if (spacing != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}

QImage canvas(QSize size, const QColor& fill = Qt::transparent) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

void beginPainting(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
}

QPen linePen(const QColor& colour, qreal width) {
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QPointF polar(qreal radius, qreal degrees) {
    const qreal a = qDegreesToRadians(degrees);
    return {radius * qCos(a), radius * qSin(a)};
}

// ---- line icons of the navigation buttons, drawn in a 24 x 24 box ----

void iconAbout(QPainter& p) {
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.drawLine(QPointF(12, 11), QPointF(12, 17));
    p.drawPoint(QPointF(12, 7.3));
}

void iconMonitoring(QPainter& p) {
    p.drawRoundedRect(QRectF(2.5, 3.5, 19, 14), 2, 2);
    const QPointF pulse[] = {{5.5, 11}, {8.5, 11}, {10.5, 7}, {13, 15}, {15, 10}, {18.5, 10}};
    p.drawPolyline(pulse, 6);
    p.drawLine(QPointF(12, 17.5), QPointF(12, 20.5));
    p.drawLine(QPointF(8, 20.5), QPointF(16, 20.5));
}

void iconSettings(QPainter& p) {
    const qreal knobs[] = {15, 7.5, 12.5};
    for (int i = 0; i < 3; ++i) {
        const qreal y = 5.5 + 6.5 * i;
        p.drawLine(QPointF(3, y), QPointF(21, y));
        p.save();
        p.setBrush(p.pen().color());
        p.drawEllipse(QPointF(knobs[i], y), 2.4, 2.4);
        p.restore();
    }
}

void iconBoardView(QPainter& p) {
    p.drawEllipse(QPointF(10, 10), 7, 7);
    p.drawRect(QRectF(7.5, 7.5, 5, 5));
    p.drawLine(QPointF(15.2, 15.2), QPointF(21, 21));
}

void iconExit(QPainter& p) {
    p.drawArc(QRectF(4, 5, 16, 16), 60 * 16, -300 * 16);
    p.drawLine(QPointF(12, 2.5), QPointF(12, 11));
}

void drawNavigationIcon(QPainter& p, int index, const QRectF& box, const QColor& colour) {
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 24.0, box.height() / 24.0);
    p.setPen(linePen(colour, 1.8));
    p.setBrush(Qt::NoBrush);
    switch (index) {
        case 0: iconAbout(p); break;
        case 1: iconMonitoring(p); break;
        case 2: iconSettings(p); break;
        case 3: iconBoardView(p); break;
        default: iconExit(p); break;
    }
    p.restore();
}

// ---- the product mark: a chip carrying a gauge ----

// A line of the given width lies on whole pixels when its centre does: on a pixel's
// middle for odd widths, on a pixel's edge for even ones. Small icons stay crisp so.
qreal onPixels(qreal at, qreal width) { return int(width) % 2 == 1 ? std::floor(at) + 0.5 : std::round(at); }

void drawChipMark(QPainter& p, const QRectF& box) {
    const qreal s = box.width();
    const qreal inset = std::round(s * 0.17);
    const qreal border = qMax(1.0, std::round(s * 0.04));
    QRectF body = box.adjusted(inset, inset, -inset, -inset);
    if (int(border) % 2 == 1) body.adjust(0.5, 0.5, -0.5, -0.5);
    const int pins = s >= 30 ? 4 : (s >= 20 ? 3 : 2);
    const qreal pinWidth = s < 40 ? 1.0 : std::round(s * 0.045);
    const qreal reach = std::round(s * 0.05);

    p.save();
    QPen pinPen(kPin, pinWidth);
    pinPen.setCapStyle(Qt::FlatCap);
    p.setPen(pinPen);
    for (int i = 0; i < pins; ++i) {
        const qreal t = onPixels(body.left() + body.width() * (i + 1) / (pins + 1), pinWidth);
        const qreal u = onPixels(body.top() + body.height() * (i + 1) / (pins + 1), pinWidth);
        p.drawLine(QPointF(t, box.top() + reach), QPointF(t, body.top()));
        p.drawLine(QPointF(t, body.bottom()), QPointF(t, box.bottom() - reach));
        p.drawLine(QPointF(box.left() + reach, u), QPointF(body.left(), u));
        p.drawLine(QPointF(body.right(), u), QPointF(box.right() - reach, u));
    }

    QLinearGradient fill(body.topLeft(), body.bottomRight());
    fill.setColorAt(0, kNavyLight);
    fill.setColorAt(1, kNavyDeep);
    p.setBrush(fill);
    p.setPen(linePen(kTealBright, border));
    p.drawRoundedRect(body, s * 0.08, s * 0.08);

    const QPointF centre(body.center().x(), body.center().y() + body.height() * 0.08);
    const qreal radius = body.width() * 0.32;
    const QRectF dial(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.setBrush(Qt::NoBrush);
    p.setPen(linePen(kTeal, qMax(1.2, s * 0.07)));
    p.drawArc(dial, 210 * 16, -240 * 16);
    p.setPen(linePen(kTealBright, qMax(1.2, s * 0.07)));
    p.drawArc(dial, 210 * 16, -150 * 16);
    p.setPen(linePen(kAccent, qMax(1.0, s * 0.05)));
    p.drawLine(centre, centre + polar(radius * 0.95, -35));
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(centre, qMax(0.8, s * 0.04), qMax(0.8, s * 0.04));
    p.restore();
}

// ---- the strip ----

void drawStripBackground(QPainter& p, const QRect& area) {
    QLinearGradient fill(area.topLeft(), area.bottomLeft());
    fill.setColorAt(0, kNavy);
    fill.setColorAt(1, kNavyDeep);
    p.fillRect(area, fill);

    // Faint traces near the foot, as on a board.
    p.save();
    QColor trace = kTealBright;
    trace.setAlpha(34);
    p.setPen(linePen(trace, 1.4));
    p.setBrush(Qt::NoBrush);
    const int foot = area.bottom();
    const QPointF traces[][4] = {
        {{0, foot - 150.0}, {40, foot - 150.0}, {70, foot - 120.0}, {70, foot - 30.0}},
        {{0, foot - 110.0}, {22, foot - 110.0}, {40, foot - 92.0}, {40, foot - 10.0}},
        {{area.right() + 1.0, foot - 190.0}, {170, foot - 190.0}, {140, foot - 160.0}, {140, foot - 60.0}},
        {{area.right() + 1.0, foot - 130.0}, {196, foot - 130.0}, {176, foot - 110.0}, {176, foot - 24.0}},
    };
    for (const auto& line : traces) {
        p.drawPolyline(line, 4);
        p.drawEllipse(line[3], 3.5, 3.5);
    }
    p.restore();

    // A hairline that parts the strip from the page.
    QColor edge = kTeal;
    edge.setAlpha(120);
    p.fillRect(QRect(area.right(), area.top(), 1, area.height()), edge);
}

void drawProductMark(QPainter& p, int width) {
    drawChipMark(p, QRectF((width - 44) / 2.0, 18, 44, 44));
    p.setPen(kInk);
    p.setFont(font(20, true, 3));
    p.drawText(QRectF(0, 66, width, 28), Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("QORVANE"));
    p.setPen(kAccent);
    p.setFont(font(12, false, 0.5));
    p.drawText(QRectF(0, 94, width, 20), Qt::AlignHCenter | Qt::AlignVCenter,
               uiText(QT_TRANSLATE_NOOP("Qorvmon", "System Monitor")));

    QLinearGradient rule(0, 0, width, 0);
    QColor faint = kTealBright;
    faint.setAlpha(0);
    rule.setColorAt(0, faint);
    faint.setAlpha(150);
    rule.setColorAt(0.5, faint);
    faint.setAlpha(0);
    rule.setColorAt(1, faint);
    p.fillRect(QRectF(24, 130, width - 48, 1), rule);
}

// A caption breaks into two lines where its lit (bold) form would not fit, so lighting a
// button never moves its words.
QString captionLines(int index, qreal width) {
    QString caption = uiText(kCaptions[size_t(index)]);
    if (QFontMetricsF(font(12, true)).horizontalAdvance(caption) > width) {
        const qsizetype space = caption.lastIndexOf(QLatin1Char(' '));
        if (space > 0) caption[space] = QLatin1Char('\n');
    }
    return caption;
}

void drawNavigationButton(QPainter& p, int index, bool lit) {
    const QRectF r = QRectF(ui::navigationButton(index)).adjusted(0.5, 0.5, -0.5, -0.5);
    p.save();
    if (lit) {
        QLinearGradient fill(r.topLeft(), r.bottomLeft());
        fill.setColorAt(0, kTealBright);
        fill.setColorAt(1, kTeal);
        p.setBrush(fill);
        p.setPen(linePen(kAccent, 1));
        p.drawRoundedRect(r, 8, 8);
        // A marker beside the lit button.
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        p.drawRoundedRect(QRectF(r.left() - 12, r.top() + 14, 4, r.height() - 28), 2, 2);
    } else {
        QColor fill = kNavyLight;
        fill.setAlpha(150);
        QColor border = kTealBright;
        border.setAlpha(70);
        p.setBrush(fill);
        p.setPen(linePen(border, 1));
        p.drawRoundedRect(r, 8, 8);
    }

    const QColor ink = lit ? kNavyDeep : kAccent;
    drawNavigationIcon(p, index, QRectF(r.left() + 10, r.center().y() - 12, 24, 24), ink);
    p.setPen(lit ? kNavyDeep : kInk);
    p.setFont(font(12, lit));
    const QRectF caption(r.left() + 42, r.top() + 4, r.width() - 46, r.height() - 8);
    p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, captionLines(index, caption.width()));
    p.restore();
}

// ---- the pages ----

void drawPageHeader(QPainter& p, int width, const QString& title, const QString& subtitle) {
    const QRectF band(0, 0, width, ui::kPageHeaderHeight);
    QLinearGradient fill(band.topLeft(), band.topRight());
    fill.setColorAt(0, kNavy);
    fill.setColorAt(1, kNavyLight);
    p.fillRect(band, fill);
    p.fillRect(QRectF(0, band.bottom(), width, 3), kTealBright);

    p.setPen(kInk);
    p.setFont(font(26, true));
    p.drawText(QRectF(60, 14, width - 120, 38), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setPen(kAccent);
    p.setFont(font(13));
    p.drawText(QRectF(60, 52, width - 120, 22), Qt::AlignLeft | Qt::AlignVCenter, subtitle);
}

void drawSurface(QPainter& p, const QRect& area) {
    QLinearGradient fill(area.topLeft(), area.bottomRight());
    fill.setColorAt(0, kSurface);
    fill.setColorAt(1, kSurfaceShade);
    p.fillRect(area, fill);
}

QColor watermark() {
    QColor c = kTeal;
    c.setAlpha(26);
    return c;
}

// The About page's right-hand column: the product mark, large, above the version label.
void drawAboutMark(QPainter& p) {
    const QPointF centre = ui::aboutMarkCentre();
    drawChipMark(p, QRectF(centre.x() - 80, centre.y() - 110, 160, 160));
    p.setPen(kNavy);
    p.setFont(font(28, true, 5));
    p.drawText(QRectF(centre.x() - 160, centre.y() + 60, 320, 40), Qt::AlignCenter, QStringLiteral("QORVANE"));
    p.setPen(kTeal);
    p.setFont(font(16, false, 1));
    p.drawText(QRectF(centre.x() - 160, centre.y() + 100, 320, 26), Qt::AlignCenter,
               uiText(QT_TRANSLATE_NOOP("Qorvmon", "System Monitor")));
}

void drawSlidersWatermark(QPainter& p, QPointF origin, qreal length) {
    p.save();
    const qreal knobs[] = {0.65, 0.3, 0.52};
    for (int i = 0; i < 3; ++i) {
        const qreal y = origin.y() + i * 70;
        p.setPen(linePen(watermark(), 12));
        p.drawLine(QPointF(origin.x(), y), QPointF(origin.x() + length, y));
        p.setPen(Qt::NoPen);
        p.setBrush(watermark());
        p.drawEllipse(QPointF(origin.x() + length * knobs[i], y), 24, 24);
    }
    p.restore();
}

// ---- the fan ----

void drawFanHousing(QPainter& p, qreal s) {
    const QRectF frame(s * 0.02, s * 0.02, s * 0.96, s * 0.96);
    QPainterPath housing;
    housing.addRoundedRect(frame, s * 0.14, s * 0.14);
    // The screw holes and the opening are cut out, so whatever lies below shows through.
    QPainterPath holes;
    for (const QPointF& corner : {QPointF(0.13, 0.13), QPointF(0.87, 0.13), QPointF(0.13, 0.87), QPointF(0.87, 0.87)})
        holes.addEllipse(QPointF(corner.x() * s, corner.y() * s), s * 0.045, s * 0.045);
    housing = housing.subtracted(holes);

    QLinearGradient fill(frame.topLeft(), frame.bottomRight());
    fill.setColorAt(0, kNavyLight);
    fill.setColorAt(1, kNavy);
    p.setBrush(fill);
    p.setPen(linePen(kTeal, qMax(1.0, s * 0.015)));
    p.drawPath(housing);

    const QPointF centre(s / 2, s / 2);
    QRadialGradient throat(centre, s * 0.46);
    throat.setColorAt(0, kNavy);
    throat.setColorAt(1, kNavyDeep);
    p.setBrush(throat);
    p.setPen(linePen(kTealBright, qMax(1.0, s * 0.012)));
    p.drawEllipse(centre, s * 0.445, s * 0.445);
}

QPainterPath fanBlade(qreal hub, qreal tip) {
    QPainterPath blade;
    blade.moveTo(polar(hub, -14));
    blade.cubicTo(polar(hub * 1.8, -12), polar(tip * 0.8, -4), polar(tip, 6));
    blade.quadTo(polar(tip * 1.03, 24), polar(tip * 0.97, 42));
    blade.cubicTo(polar(tip * 0.7, 34), polar(hub * 1.7, 26), polar(hub, 24));
    blade.closeSubpath();
    return blade;
}

void drawFanRotor(QPainter& p, qreal s, qreal angle) {
    const QPointF centre(s / 2, s / 2);
    const qreal hub = s * 0.14;
    const QPainterPath blade = fanBlade(hub * 0.9, s * 0.415);

    p.save();
    p.translate(centre);
    p.rotate(angle);
    QRadialGradient fill(QPointF(0, 0), s * 0.42);
    fill.setColorAt(0.3, kTealBright);
    fill.setColorAt(1, kTeal);
    p.setBrush(fill);
    p.setPen(linePen(kAccent, qMax(0.8, s * 0.01)));
    for (int i = 0; i < kFanBlades; ++i) {
        p.drawPath(blade);
        p.rotate(360.0 / kFanBlades);
    }

    QRadialGradient cap(QPointF(-hub * 0.3, -hub * 0.3), hub * 1.4);
    cap.setColorAt(0, kNavyLight);
    cap.setColorAt(1, kNavyDeep);
    p.setBrush(cap);
    p.setPen(linePen(kAccent, qMax(1.0, s * 0.018)));
    p.drawEllipse(QPointF(0, 0), hub, hub);
    // A mark on the cap turns with the rotor.
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(polar(hub * 0.55, -90), hub * 0.16, hub * 0.16);
    p.restore();
}

// ---- the sound picture ----

void drawSpeaker(QPainter& p, qreal s) {
    p.save();
    p.scale(s / 48.0, s / 48.0);
    QPainterPath cone;
    cone.moveTo(6, 18);
    cone.lineTo(14, 18);
    cone.lineTo(25, 9);
    cone.lineTo(25, 39);
    cone.lineTo(14, 30);
    cone.lineTo(6, 30);
    cone.closeSubpath();
    QLinearGradient fill(QPointF(6, 9), QPointF(25, 39));
    fill.setColorAt(0, kNavyLight);
    fill.setColorAt(1, kNavy);
    p.setBrush(fill);
    p.setPen(linePen(kTeal, 2));
    p.drawPath(cone);
    p.setBrush(Qt::NoBrush);
    p.setPen(linePen(kTealBright, 2.6));
    p.drawArc(QRectF(20, 15, 18, 18), 50 * 16, -100 * 16);
    p.setPen(linePen(kTeal, 2.6));
    p.drawArc(QRectF(16, 9, 30, 30), 50 * 16, -100 * 16);
    p.restore();
}

}  // namespace

QPixmap navigationStrip(int page) {
    QImage image = canvas(ui::stripSize());
    QPainter p(&image);
    beginPainting(p);
    drawStripBackground(p, image.rect());
    drawProductMark(p, image.width());
    // Page indices match the first four buttons; the fifth (Exit) is never lit.
    for (int i = 0; i < ui::kNavigationButtons; ++i) drawNavigationButton(p, i, i == page);
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap screenBackground(int index) {
    QImage image = canvas(ui::pageSize());
    QPainter p(&image);
    beginPainting(p);
    drawSurface(p, image.rect());
    if (index == 1) {
        drawSlidersWatermark(p, QPointF(ui::settingsForm().right() + 60, image.height() - 190), 200);
        drawPageHeader(p, image.width(), uiText(QT_TRANSLATE_NOOP("Qorvmon", "General Setting")),
                       uiText(QT_TRANSLATE_NOOP("Qorvmon", "Alert mail, system tools and sound")));
    } else {
        drawAboutMark(p);
        drawPageHeader(p, image.width(), uiText(QT_TRANSLATE_NOOP("Qorvmon", "About")),
                       uiText(QT_TRANSLATE_NOOP("Qorvmon", "Qorvane System Monitor for Qorvane server boards")));
    }
    p.end();
    return QPixmap::fromImage(image);
}

QIcon applicationIcon() {
    QIcon icon;
    for (int side : kIconSizes) {
        QImage image = canvas(QSize(side, side));
        QPainter p(&image);
        beginPainting(p);
        drawChipMark(p, QRectF(0, 0, side, side));
        p.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QPixmap fanFrame(int frame, int side) {
    const int step = ((frame % kFanFrames) + kFanFrames) % kFanFrames;
    QImage image = canvas(QSize(side, side));
    QPainter p(&image);
    beginPainting(p);
    drawFanHousing(p, side);
    drawFanRotor(p, side, step * kFanStepDegrees);
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap soundPicture(int side) {
    QImage image = canvas(QSize(side, side));
    QPainter p(&image);
    beginPainting(p);
    drawSpeaker(p, side);
    p.end();
    return QPixmap::fromImage(image);
}

}  // namespace qorv::artwork
