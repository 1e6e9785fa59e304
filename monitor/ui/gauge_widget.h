// One reading group's gauge: a vertical slider that only shows, with its scale printed
// beside it (0 to 8000 RPM, -15 to 15 V, -10 to 115 C). Higher readings stand higher.
// Screen readers read it as one indicator: its sensor, the reading and the scale.
#pragma once

#include <QWidget>

class QSlider;

namespace qorv {

class GaugeWidget : public QWidget {
    Q_OBJECT

public:
    // The slider takes sliderName as its object name.
    GaugeWidget(int group, const QString& sliderName, QWidget* parent = nullptr);

    QSlider* slider() const { return slider_; }
    // Shows a gauge position of the core (0 at the bottom of the scale): the slider's own
    // values run from the top, so it takes the maximum minus the position.
    void showPosition(int position);
    // The sensor the gauge shows and its reading as spoken, for screen readers.
    void showSensor(const QString& name, const QString& spokenReading);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Vertical pixel of a gauge position on this widget.
    int positionY(int position) const;

    int group_;
    QSlider* slider_;
    QString sensor_;
    QString spokenReading_;
};

}  // namespace qorv
