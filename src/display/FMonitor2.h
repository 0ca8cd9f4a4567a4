#pragma once
#include "display/Colors.h"
#include "display/MonitorLayout.h"

#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;

namespace vk {

class TDigit;
class TFrame1;

// The audience window: borderless, always on top, filling one screen, black and yellow. It
// shows the race title, the start numbers on both lanes and of the next starters, and both
// lanes' times in large digits. It copies its geometry from the main window's lane frames and
// is written to by them; it has no logic of its own.
class TFormMonitor2 : public QWidget {
    Q_OBJECT

public:
    explicit TFormMonitor2(const QString& title, QWidget* parent = nullptr);

    // The lane frames it copies geometry and start numbers from; without them the frames'
    // design geometry and start values hold.
    void setLaneFrames(TFrame1* lane1, TFrame1* lane2);
    // Reads the screen index (setting "Monitor"); 0 while none is set.
    void setMonitorIndexSource(std::function<int()> source) { monitorIndex_ = std::move(source); }
    int monitorIndex() const { return monitorIndex_ ? monitorIndex_() : 0; }

    void setTitle(const QString& title);

    // The show steps: placed on its screen and the four labels from the lanes. Runs on every
    // showing, and again when a protocol import changed the start numbers.
    void FormShow();
    // Bounds of the screen MonitorIndex (the first one when there is no such screen), then
    // the layout.
    void PlaceOnMonitor();
    void LayoutDisplay();
    // " Start-Nr.:" and "Bereit: " labels of both lanes from the lanes' current numbers.
    void ResetLabels();
    // A lane frame showed a time: the same six digit values and the leading digits' colours.
    void mirror(int lane, const std::array<int, 6>& digits, Color colorOn4, Color colorOn5);

    double ScaleFactor = 0;

    // Controls by their names.
    QWidget *Panel1 = nullptr, *PanelTimer = nullptr;
    QLabel* PanelTitle = nullptr;
    QWidget *PanelLab1 = nullptr, *PanelLab2 = nullptr;
    QLabel *LabStart1 = nullptr, *LabNext1 = nullptr, *LabStart2 = nullptr, *LabNext2 = nullptr;
    std::array<TDigit*, 6> Digit{};  // Digit4 .. Digit9, lane 1
    std::array<TDigit*, 6> Digita{}; // Digit4a .. Digit9a, lane 2
    QLabel *LabSec = nullptr, *LabSec2 = nullptr;

signals:
    void shown();
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    LaneFrameGeometry frameGeometry(int lane) const;
    void labelTexts(int lane, int start, int next);

    QPointer<TFrame1> frames_[2];
    QPointer<QScreen> placedOn_;
    std::function<int()> monitorIndex_;
};

} // namespace vk
