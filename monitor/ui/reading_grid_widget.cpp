#include "reading_grid_widget.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <array>
#include <cmath>

#include "accessibility.h"
#include "focus_frame.h"
#include "ui_text.h"

namespace qorv {

namespace {

constexpr int kColumns = 3;
constexpr int kNameColumn = 0;
constexpr int kReadingColumn = 1;
constexpr int kUnitColumn = 2;

// Name, Reading and Unit columns at 3 : 2 : 1, wide enough for the texts below at the default font.
constexpr std::array<int, kColumns> kBaseWidths{120, 80, 40};
// Room on either side of a cell's text.
constexpr int kCellPadding = 8;
// Texts the Reading and Unit columns must hold besides their headers.
const char* const kWidestReadings[] = {"Read Failed", "-88888.888"};
const char* const kUnits[] = {"RPM", "V", "C"};

const QColor kRowText(0, 0, 0);
const QColor kGridLines(184, 190, 204);

QColor toColor(Rgb c) { return QColor(c.r, c.g, c.b); }

Qt::Alignment columnAlignment(int column) {
    return column == kNameColumn ? (Qt::AlignLeft | Qt::AlignVCenter) : Qt::AlignCenter;
}

// A cell that a screen reader describes with its whole row.
class GridCell final : public QTableWidgetItem {
public:
    explicit GridCell(const ReadingGridWidget& grid) : grid_(grid) {}
    QVariant data(int role) const override {
        if (role == Qt::AccessibleDescriptionRole) return grid_.spokenRow(row() + 1);
        return QTableWidgetItem::data(role);
    }

private:
    const ReadingGridWidget& grid_;
};

}  // namespace

// The core's rows count the header as row 0; the table keeps its header apart.
class ReadingGridWidget::CoreView final : public ReadingGrid {
public:
    explicit CoreView(ReadingGridWidget& grid) : grid_(grid) {}
    void setRowCount(int rows) override { grid_.setDataRowCount(std::max(rows - 1, 0)); }
    void setRow(int row, Rgb colour, const std::string& name, const std::string& reading,
                const std::string& unit) override {
        grid_.setDataRow(row, colour, name, reading, unit);
    }

private:
    ReadingGridWidget& grid_;
};

ReadingGridWidget::ReadingGridWidget(QWidget* parent)
    : QTableWidget(0, kColumns, parent), view_(std::make_unique<CoreView>(*this)) {
    const QString headers[kColumns] = {tr("Name"), tr("Reading"), tr("Unit")};
    for (int c = 0; c < kColumns; ++c) {
        auto* item = new QTableWidgetItem(headers[c]);
        item->setTextAlignment(columnAlignment(c));
        setHorizontalHeaderItem(c, item);
    }
    // A point larger than the window's text: the readings are what the page is for.
    QFont readable = font();
    readable.setPointSizeF(readable.pointSizeF() + 1);
    setFont(readable);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);

    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // No selection highlight: the row colours are the grid's only marking.
    setSelectionMode(QAbstractItemView::NoSelection);
    // Tab reaches the grid and goes on past it; a click leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setStyleSheet(QStringLiteral("QTableView { gridline-color: %1; }").arg(kGridLines.name()));

    connect(this, &QTableWidget::cellClicked, this, [this](int row, int) { emit rowClicked(row + 1); });
    layoutColumns({});
}

ReadingGridWidget::~ReadingGridWidget() = default;

ReadingGrid& ReadingGridWidget::readingGrid() { return *view_; }

void ReadingGridWidget::layoutColumns(const std::vector<std::string>& names) {
    headerHeight_ = -1;
    const QFontMetrics cells(font());
    const QFontMetrics header(horizontalHeader()->font());
    auto need = [](const QFontMetrics& fm, const QString& text) {
        return fm.horizontalAdvance(text) + 2 * kCellPadding;
    };
    std::array<int, kColumns> needed{};
    for (int c = 0; c < kColumns; ++c) needed[size_t(c)] = need(header, horizontalHeaderItem(c)->text());
    for (const std::string& n : names)
        needed[kNameColumn] = std::max(needed[kNameColumn], need(cells, QString::fromStdString(n)));
    for (const char* r : kWidestReadings)
        needed[kReadingColumn] = std::max(needed[kReadingColumn], need(cells, uiText(r)));
    for (const char* u : kUnits)
        needed[kUnitColumn] = std::max(needed[kUnitColumn], need(cells, QString::fromLatin1(u)));

    // One factor for all three, so the columns keep their proportions.
    double factor = 1.0;
    for (int c = 0; c < kColumns; ++c) factor = std::max(factor, double(needed[size_t(c)]) / kBaseWidths[size_t(c)]);
    for (int c = 0; c < kColumns; ++c) setColumnWidth(c, int(std::ceil(kBaseWidths[size_t(c)] * factor)));
    fitHeight();
}

std::string ReadingGridWidget::nameAt(int row) const {
    const QTableWidgetItem* it = row >= 1 && row <= rowCount() ? item(row - 1, kNameColumn) : nullptr;
    return it ? it->text().toStdString() : std::string();
}

void ReadingGridWidget::paintRows(int gaugeRow) {
    for (int r = 1; r <= rowCount(); ++r) {
        const Rgb colour = rowColour(r, r == gaugeRow);
        for (int c = 0; c < kColumns; ++c)
            if (QTableWidgetItem* it = item(r - 1, c)) it->setBackground(toColor(colour));
        shown_[size_t(r - 1)].colour = colour;
    }
}

void ReadingGridWidget::setThresholdsOf(std::function<QString(const std::string& name)> thresholdsOf) {
    thresholdsOf_ = std::move(thresholdsOf);
}

QString ReadingGridWidget::spokenRow(int row) const {
    if (row < 1 || row > rowCount()) return {};
    auto text = [&](int column) {
        const QTableWidgetItem* it = item(row - 1, column);
        return it ? it->text() : QString();
    };
    const QString name = text(kNameColumn);
    if (name.isEmpty()) return {};
    QString spoken = name + ", " + spokenReading(text(kReadingColumn).toStdString(), text(kUnitColumn).toStdString());
    const QString thresholds = thresholdsOf_ ? thresholdsOf_(name.toStdString()) : QString();
    if (!thresholds.isEmpty()) spoken += ", " + thresholds;
    return spoken;
}

void ReadingGridWidget::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (plain && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && currentIndex().isValid()) {
        event->accept();
        emit rowClicked(currentIndex().row() + 1);
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void ReadingGridWidget::paintEvent(QPaintEvent* event) {
    QTableWidget::paintEvent(event);
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !showsKeyboardFocus(this)) return;
    const QRect row =
        visualRect(model()->index(current.row(), 0)).united(visualRect(model()->index(current.row(), kColumns - 1)));
    QPainter painter(viewport());
    paintFocusFrame(painter, row);
}

// The frame spans the current row: the whole view is painted again when it moves.
void ReadingGridWidget::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    viewport()->update();
}

void ReadingGridWidget::focusOutEvent(QFocusEvent* event) {
    QTableWidget::focusOutEvent(event);
    viewport()->update();
}

void ReadingGridWidget::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableWidget::currentChanged(current, previous);
    viewport()->update();
}

void ReadingGridWidget::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) headerHeight_ = -1;
}

void ReadingGridWidget::setDataRowCount(int rows) {
    setRowCount(rows);
    shown_.resize(size_t(rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            if (item(r, c)) continue;
            auto* it = new GridCell(*this);
            it->setFlags(Qt::ItemIsEnabled);
            it->setTextAlignment(columnAlignment(c));
            it->setForeground(kRowText);
            setItem(r, c, it);
        }
    fitHeight();
}

void ReadingGridWidget::setDataRow(int row, Rgb colour, const std::string& name, const std::string& reading,
                                   const std::string& unit) {
    if (row < 1 || row > rowCount()) return;
    ShownRow& shown = shown_[size_t(row - 1)];
    if (shown.filled && shown.colour == colour && shown.reading == reading && shown.name == name && shown.unit == unit)
        return;
    shown = {true, colour, name, reading, unit};
    const QString texts[kColumns] = {QString::fromStdString(name), uiText(reading), QString::fromStdString(unit)};
    for (int c = 0; c < kColumns; ++c) {
        QTableWidgetItem* it = item(row - 1, c);
        it->setText(texts[c]);
        it->setBackground(toColor(colour));
    }
}

// The grid hugs its rows, up to the height it is allowed; beyond that it scrolls.
void ReadingGridWidget::fitHeight() {
    const int frame = 2 * frameWidth();
    const int columns = horizontalHeader()->length();
    if (headerHeight_ < 0) headerHeight_ = horizontalHeader()->sizeHint().height();
    const int content = frame + headerHeight_ + verticalHeader()->length();
    const bool scrolls = content > maximumHeight();
    resize(frame + columns + (scrolls ? verticalScrollBar()->sizeHint().width() : 0),
           std::min(content, maximumHeight()));
}

}  // namespace qorv
