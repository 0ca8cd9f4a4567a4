#pragma once
#include "serial/Adapter.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace vk {

class Dialogs;
class SettingsStore;
class TCfgDialog;
class TFormMain;

// The main window's settings: reading them into the window's holders at start-up, the file
// filters, the port probe and the stored port, the settings dialog, and writing them back
// when the dialog is confirmed and at shutdown.
class SettingsBinder : public QObject {
    Q_OBJECT

public:
    struct Deps {
        // The store (the QSettings file when null), the probe (the kernel's list when
        // empty) and where the ports live (the system's names when empty).
        SettingsStore* store = nullptr;
        std::function<uint32_t(const ComPortMap&)> probe;
        std::optional<ComPortMap> portMap;
        Dialogs& dialogs;
        // Where sysfs, the by-id links and /proc are (fake trees in tests).
        SystemRoots roots;
    };
    SettingsBinder(TFormMain& window, Deps deps);
    ~SettingsBinder() override;

    // The steps of the window's creation, in its order.
    void LoadSettings();
    void BuildFileFilters();
    void ProbeComPorts();
    void OpenStoredPort();

    // Writes the settings from their holders; empty when that worked, else why not.
    std::string SaveSettings();
    // Tells the operator that the settings were not written (after the port is closed); on
    // an unattended shutdown (a signal) on the error stream, since no box would be answered.
    void ReportSaveFailure(const std::string& why, bool unattended);

    // Fills and shows the dialog; on OK applies it, opens the chosen port 50 ms later and
    // writes the settings. The race area gets the focus back either way.
    void bCFGClick(TCfgDialog* dialog);

    static constexpr int ReopenDelayMs = 50;

private:
    void apply(TCfgDialog& dialog);
    void openPort();
    void showPortText(const QString& text);
    std::vector<std::string> listPorts();
    void gather();
    std::string write();

    TFormMain& w_;
    std::unique_ptr<SettingsStore> ownStore_;
    SettingsStore* store_;
    std::function<uint32_t(const ComPortMap&)> probe_;
    Dialogs& dialogs_;
    const SystemRoots roots_;
    QTimer* openTimer_;
    QString portText_;     // the status text of the last failed or moved open
    QString loadProblems_; // the values that kept their defaults at start-up
};

} // namespace vk
