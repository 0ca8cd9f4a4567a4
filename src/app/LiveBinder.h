#pragma once
#include "live/LiveFromRace.h"
#include "live/LiveServer.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QDialog;
class QLabel;
class QTimer;

namespace vk {

class TFormMain;

// The live results' wiring to the main window: starts and stops the server as the settings
// say, shows its address (or why it is not running) in the status bar, and hands it a new
// snapshot whenever what spectators see changed.
class LiveBinder : public QObject {
    Q_OBJECT

public:
    // `address` is where the server listens; every address of the PC when empty.
    LiveBinder(TFormMain& window, const QString& address);
    ~LiveBinder() override;

    // Follows LiveServer and LivePort of the settings: starts, restarts or stops the server.
    void apply();
    // Builds the state and publishes it when it differs from the last one.
    void refresh();
    // Something spectators see changed outside a race event (the protocol, the title, a start
    // number): one push follows as soon as the ui thread is free, however many changes came.
    void changed();
    // Where the pages read the run log (oldest first). The server gets a copy only while it
    // runs, once after each change, so a log that grows while the server is off costs nothing.
    void setRunSource(std::function<const std::vector<RunRecord>&()> source);
    // The run log grew: the pages get it with the next push.
    void runsChanged();

    // The audience window shows the address's QR code in a corner while the server runs.
    void setAudienceWindow(QWidget* window);
    // Switches the QR code on the audience window off and on again (a key of the main window).
    void toggleAudienceCode();
    bool audienceCodeShown() const;
    bool audienceCodeWanted() const { return audienceCodeWanted_; }
    // The small "Live-Ergebnisse" window: the address and its QR code.
    void showWindow();

    LiveServer& server() { return server_; }
    // The address spectators open, empty while the server is off.
    QString address() const { return address_; }

signals:
    void addressChanged(const QString& address);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCode();

    TFormMain& w_;
    QPointer<QWidget> audience_;
    QLabel* audienceCode_ = nullptr;
    bool audienceCodeWanted_ = true;
    QDialog* window_ = nullptr;
    QLabel* windowCode_ = nullptr;
    QLabel* windowText_ = nullptr;
    LiveServer server_;
    LiveRowsCache rows_;
    std::function<const std::vector<RunRecord>&()> runSource_;
    std::shared_ptr<const std::vector<RunRecord>> runs_;
    bool runsStale_ = true;
    LiveSnapshot last_;
    QLabel* label_;
    QTimer* soon_;
    QString address_;
    QHostAddress listen_;
    int port_ = 0;
};

// The address of this PC in the local network (IPv4, not the loopback), a private one first;
// the loopback when there is none.
QString LanAddress();

} // namespace vk
