#pragma once
#include "race/LaneTimer.h"

#include <QFrame>
#include <array>

class QLabel;
class QSpinBox;

namespace vk {

class TDigit;

// The lane timer frame: six digits with the decimal comma, the start number of the driver
// on the lane and of the one ready next. It renders its lane's LaneTimer and hands the
// operator's number edits back to it.
class TFrame1 : public QFrame {
    Q_OBJECT

public:
    TFrame1(LaneTimer& lane, QWidget* parent = nullptr);

    LaneTimer& lane() { return lane_; }
    // Brings every control up to the lane's state.
    void render();
    // Sizes the frame and its controls at `k` times the design (353 x 143 at 1).
    void setScale(double k);
    double scale() const { return scale_; }

    std::array<TDigit*, 6> Digit{};
    QLabel* LabSec = nullptr;
    QWidget* Panel6 = nullptr;
    QLabel* Label1 = nullptr;
    QSpinBox* editStartN1 = nullptr;
    QLabel* Label2 = nullptr;
    QSpinBox* editStartN2 = nullptr;
    // A warning across the digits ("LS1 unterbrochen"); hidden while empty.
    QLabel* LabWarning = nullptr;
    void setWarning(const QString& text);

private:
    void renderDigits();
    void renderNumbers();

    LaneTimer& lane_;
    Color labSecShown_ = clNone;
    double scale_ = 0;
};

} // namespace vk
