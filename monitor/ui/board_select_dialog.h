// The board selection at first use ("frmForBoardSelect"): eight boards to choose from,
// OK with one chosen, Cancel to end the program.
#pragma once

#include <QDialog>
#include <QString>

class QButtonGroup;

namespace qorv {

inline constexpr const char* kWelcomeText = QT_TRANSLATE_NOOP(
    "Qorvmon",
    "Welcom to QORVANE System Monitor. This is your first time to use this tool. Please select the motherboard you "
    "install the Monitor on.Make sure you select the correct Name .");

class BoardSelectDialog : public QDialog {
    Q_OBJECT

public:
    explicit BoardSelectDialog(QWidget* parent = nullptr);

    // The chosen board's name, empty while none is chosen.
    QString boardName() const;

private:
    void confirm();

    QButtonGroup* options_;
};

}  // namespace qorv
