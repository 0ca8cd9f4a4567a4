#pragma once
#include "config/CfgModel.h"
#include "config/Settings.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace vk {

class TSpinFloatEdit;

// A plain shape of the barrier schematic: a rectangle, a circle or a bar in one colour.
class SchematicShapeWidget : public QWidget {
    Q_OBJECT

public:
    SchematicShapeWidget(const SchematicShape& shape, QWidget* parent);
    const SchematicShape& shape() const { return shape_; }
    Color color() const { return color_; }
    void setColor(Color c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SchematicShape shape_;
    Color color_;
};

// The settings dialog "Einstellungen": port and contact logic, start-lock time, track length,
// installed barriers and their distances, the audience window's screen. It is filled from the
// settings before each showing and read after OK (the main window's binder does both); while
// shown, the schematic blinks without a port and glows with one.
class TCfgDialog : public QDialog {
    Q_OBJECT

public:
    // `presentPorts` as the probe found them at start-up; a track length of 0 in `settings`
    // becomes the field's design value.
    TCfgDialog(Settings& settings, uint32_t presentPorts, QWidget* parent = nullptr);

    // The opening fill from the settings.
    void Fill(const Settings& s);
    // What the controls hold after OK.
    CfgChoice Choice() const;
    // The screens listed for the audience window (the system's by default).
    void setScreens(std::function<std::vector<ScreenRect>()> screens);
    // Lists the present ports, each as PortEntryText. The list is read again each time the
    // dialog is filled and each time the port list opens, so an adapter plugged in after
    // the start appears; without a lister the start-up list stays.
    void setPortLister(std::function<std::vector<std::string>()> lister);
    void refreshPorts();

    void FormShow();
    void TimerBlinkTimer();
    void cbPortChange();
    void cbLsStartClick();
    void sfeLenChange();

    int blinkPhase() const { return blinkPhase_; }
    SchematicShapeWidget* shape(const char* name) const;

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label6 = nullptr,
           *Label10 = nullptr, *Label15 = nullptr, *LabMonitor = nullptr;
    // Says why OK was refused.
    QLabel* LabError = nullptr;
    TSpinFloatEdit *sfeLen = nullptr, *seStartLen = nullptr, *seCentrLen = nullptr,
                   *seFinalLen = nullptr, *seWait = nullptr;
    QGroupBox* gbLS = nullptr;
    QLabel *ImageStart = nullptr, *ImageCentr = nullptr, *ImageFinal = nullptr;
    QCheckBox *cbAmpel = nullptr, *cbLsStart = nullptr, *cbLsCentr = nullptr, *cbLsFinal = nullptr,
              *cbKlass = nullptr, *cbManyStart = nullptr, *cbLive = nullptr,
              *cbZeitkarte = nullptr;
    QSpinBox* seLivePort = nullptr;
    QComboBox *cbPort = nullptr, *cbAlg = nullptr, *cbMonitor = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;
    QTimer* TimerBlink = nullptr;

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(Settings& settings, uint32_t presentPorts);
    void buildSchematic();
    void paintSchematic();
    // The track length in metres from the field's text; empty when it is no number in range.
    std::optional<int32_t> trackLength() const;

    std::function<std::vector<ScreenRect>()> screens_;
    std::function<std::vector<std::string>()> portLister_;
    std::vector<SchematicShapeWidget*> shapes_;
    // The distances the operator or the settings asked for; a shorter track only lowers
    // what is shown.
    std::array<double, 3> wanted_{};
    int monitorIndex_ = 0;
    int blinkPhase_ = 0;
};

} // namespace vk
