// One reading group's grid: Name, Reading and Unit of each sensor of the group, one row
// per sensor under a header, coloured by the core. Read-only; a click on a row, or Enter or
// Space on the current row, is offered to the page, which chooses the gauge sensor from it.
// Tab gives it the focus; a frame then marks the current row. Screen readers read each cell
// with its whole row: "CPU1 Temp, 45 degrees Celsius, high threshold 75, low threshold 0".
#pragma once

#include <QTableWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reading_groups.h"

namespace qorv {

class ReadingGridWidget : public QTableWidget {
    Q_OBJECT

public:
    explicit ReadingGridWidget(QWidget* parent = nullptr);
    ~ReadingGridWidget() override;

    // The core's view of this grid. The core counts the header as row 0 and data rows
    // from 1; the table's own rows start at the first data row.
    ReadingGrid& readingGrid();

    // Column widths of 120, 80 and 40 pixels, all widened by one factor when any of
    // the names, readings or units would not fit in the current font.
    void layoutColumns(const std::vector<std::string>& names);

    // The text of the Name cell of data row r (1-based), empty when there is none.
    std::string nameAt(int row) const;
    // Colours every data row by its number, the given row (1-based) as the gauge row.
    void paintRows(int gaugeRow);

    // Where a row's spoken text finds the thresholds of the sensor it names.
    void setThresholdsOf(std::function<QString(const std::string& name)> thresholdsOf);
    // What a screen reader says for data row r (1-based): name, reading and thresholds;
    // empty for a row not filled yet.
    QString spokenRow(int row) const;

signals:
    // A click on data row r (1-based).
    void rowClicked(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void changeEvent(QEvent* event) override;

private:
    class CoreView;

    void setDataRowCount(int rows);
    void setDataRow(int row, Rgb colour, const std::string& name, const std::string& reading, const std::string& unit);
    void fitHeight();

    std::unique_ptr<CoreView> view_;
    std::function<QString(const std::string&)> thresholdsOf_;
    // The column header's height, measured once per font and style: every pass grows the grid
    // row by row, and measuring the header each time cost most of a hidden window's processor time.
    int headerHeight_ = -1;
    // What each data row shows, so that a pass leaves a row that reads as before alone.
    struct ShownRow {
        bool filled = false;
        Rgb colour{};
        std::string name, reading, unit;
    };
    std::vector<ShownRow> shown_;
};

}  // namespace qorv
