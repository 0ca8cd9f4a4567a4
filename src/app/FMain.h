#pragma once
#include "config/Settings.h"
#include "display/Pictures.h"
#include "platform/ProgramPaths.h"
#include "platform/Services.h"
#include "platform/Tick.h"
#include "protocol/CellTable.h"
#include "race/RaceControl.h"
#include "serial/Adapter.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class TFDlgYesNo;

namespace vk {

class Protocol;
class FileChooser;
class LineWatchBinder;
class ProtocolBinder;
class ProtocolPanel;
class PublishBinder;
class TComPort;
class ComDriver;
class QtHandOver;
class QtTimerFactory;
class QtSoundOutput;
class QtDialogs;
class TFrame1;
class TLbSpeedButton;
class TLed;
class RowCommandsBinder;
class RunLogBinder;
class TFormMonitor2;
class TCfgDialog;
class SettingsStore;
class SettingsBinder;
class LiveBinder;

// The main window: the top bar (TopBar), the race area with both lane frames, the race
// buttons, the light tree, the barrier icons and the imitation panel (RaceArea), the protocol
// below, the hidden menu of keys (MainMenu). This class assembles them and runs the shell's
// own handlers; each subsystem's wiring is a binder of its own.
class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    struct Options {
        // The program file; its folder holds the sounds, the help page and the backup.
        std::string executablePath;
        // Replacements of the platform for tests; the real ones are used when empty.
        Dialogs* dialogs = nullptr;
        Shell* shell = nullptr;
        ComDriver* comDriver = nullptr;
        FileChooser* fileChooser = nullptr;
        // The settings file, the port probe and where the ports live (SettingsBinder).
        SettingsStore* settingsStore = nullptr;
        std::function<uint32_t(const ComPortMap&)> probePorts;
        std::optional<ComPortMap> portMap;
        // Where sysfs, the by-id links and /proc are, for the adapters and their traps.
        SystemRoots systemRoots;
        // Where the live server listens; every address of the PC when empty.
        QString liveAddress;
    };
    explicit TFormMain(Options options);
    ~TFormMain() override;

    RaceControl& race() { return *race_; }
    CellTable& table() { return table_; }
    Settings& settings() { return settings_; }
    const ProgramPaths& paths() const { return paths_; }
    Protocol& protocol() { return *protocol_; }
    ProtocolPanel& protocolPanel() { return *protocolPanel_; }
    PublishBinder& publishing() { return *publish_; }
    RowCommandsBinder& rowCommands() { return *rowCommands_; }
    LiveBinder& live() { return *live_; }
    RunLogBinder& runLog() { return *runLog_; }
    TComPort& comPort() { return *ComPort; }
    LineWatchBinder& lineWatch() { return *lines_; }
    QString applicationTitle() const;

    // The windows created after this one; the main window only uses them while they live.
    void setYesNoDialog(TFDlgYesNo* dialog);
    void setCfgDialog(TCfgDialog* dialog);
    void setMonitor(TFormMonitor2* monitor);
    // Moves the audience window to the screen of the settings (after the settings dialog).
    void placeAudienceWindow();

    // Handlers of the shell.
    void TimerDateTimer();
    void eTitleChange();
    void ImageTVAusClick();
    void ImageTVEinClick();
    void Modus1Click();
    void bHelpClick();
    void bInfoClick();
    void ImageDEClick();
    void bCFGClick();
    void FormResize();

    // Controls by their names.
    TFrame1 *FrameT1 = nullptr, *FrameT2 = nullptr;
    TLbSpeedButton *bSTART = nullptr, *bSTOP1 = nullptr, *bSTOP2 = nullptr, *bRESET = nullptr;
    TLbSpeedButton *bFehlStart1 = nullptr, *bFehlStart2 = nullptr;
    TLbSpeedButton *bAvaria1 = nullptr, *bAvaria2 = nullptr;
    TLbSpeedButton *bHelp = nullptr, *bCFG = nullptr, *bInfo = nullptr;
    TImage *ImageAmpel = nullptr, *ImageLSstart = nullptr, *ImageLSstop1 = nullptr,
           *ImageLSstop2 = nullptr, *ImageTVAus = nullptr, *ImageTVEin = nullptr;
    QWidget *PanelImit = nullptr, *PanelLeft = nullptr, *Panel1 = nullptr;
    QPushButton *bImit1 = nullptr, *bImit2 = nullptr, *bImit3 = nullptr;
    std::array<TLed*, 9> Led{};
    QCheckBox* cbAutomatisch = nullptr;
    QComboBox* cbKlass = nullptr;
    QLineEdit* eTitle = nullptr;
    QLabel* PanelDate = nullptr;
    QTimer* TimerDate = nullptr;
    QMenu* HideMenu = nullptr;
    std::map<QString, QAction*> menu; // hidden menu entries by name (MainMenu)

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void bindRace();
    void bindSerial();
    void FormCreate();
    void FormDestroy();
    void render();

    Options options_;
    ProgramPaths paths_;
    Settings settings_;
    CellTable table_;
    SystemTicks ticks_;
    std::unique_ptr<QtTimerFactory> timers_;
    std::unique_ptr<QtSoundOutput> sound_;
    std::unique_ptr<QtDialogs> qtDialogs_;
    std::unique_ptr<Shell> qtShell_;
    Dialogs* dialogs_ = nullptr;
    Shell* shell_ = nullptr;
    std::unique_ptr<RaceControl> race_;
    std::unique_ptr<Protocol> protocol_;
    std::unique_ptr<ProtocolBinder> protocolBinder_;
    // Gone before the backup writer whose thread it appends through (FormDestroy).
    std::unique_ptr<RunLogBinder> runLog_;
    std::unique_ptr<PublishBinder> publish_;
    ProtocolPanel* protocolPanel_ = nullptr;
    // Before the port, whose handlers reach it until the port is gone.
    std::unique_ptr<LineWatchBinder> lines_;
    std::unique_ptr<TComPort> ComPort;
    std::unique_ptr<QtHandOver> handOver_;
    SettingsBinder* settingsBinder_ = nullptr;
    RowCommandsBinder* rowCommands_ = nullptr;
    LiveBinder* live_ = nullptr;
    QPointer<TFormMonitor2> monitor_;
    QPointer<TCfgDialog> cfgDialog_;
    bool rendering_ = false;
    int ampelShown_ = -1;
    std::array<int, 3> lockShown_{-1, -1, -1};
};

} // namespace vk
