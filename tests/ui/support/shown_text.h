// The texts a window shows, found the way a user meets them: every visible label, button,
// group box title and tab, with the rectangle its style draws the text in and the size
// the text needs in the widget's own font.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

class QWidget;

namespace qorv::testing {

struct ShownText {
    QWidget* widget = nullptr;
    QString text;
    // The space the style gives the text, what the text needs, and where in that space
    // the text lands, aligned as the widget aligns it; in the widget's coordinates.
    QRect place;
    QSize needed;
    QRect drawn;
    // The check box's or radio button's indicator, else empty.
    QRect indicator;
    // "QPushButton comDeleteMailAdd \"Delete Address Record\"", for messages.
    QString name;
};

// root and its visible descendants, in creation order.
std::vector<ShownText> shownTexts(QWidget* root);

// One line per text that does not fit: narrower or lower than it needs, or cut off by the
// edge of a widget it lies in.
QStringList clippedTexts(QWidget* root);

}  // namespace qorv::testing
