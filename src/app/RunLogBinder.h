#pragma once
#include "runlog/RunLogFile.h"
#include "runlog/Timeslip.h"

#include <QObject>

#include <functional>
#include <memory>

class QPrinter;

namespace vk {

class BackupWriter;
class TFormMain;

// The run log on the main window: each lane's stop, joker, accident mark, "Rezult entfernen"
// and a run chosen for a row append a record (through the backup writer's thread, which syncs
// it); places and the class sort of the protocol's context menu; a driver's runs
// ("Läufe anzeigen", or a double-click on the start number); the timeslip ("Zeitkarte").
class RunLogBinder : public QObject {
    Q_OBJECT

public:
    RunLogBinder(TFormMain& main, BackupWriter& backup);
    ~RunLogBinder() override;

    RunLogFile& log() { return *log_; }
    // Waits until every record so far is on the disk; false when an append failed.
    bool flush();

    // "Platz verteilen": places per class into column 10, which is shown from now on and
    // kept up to date after every stop.
    void mPlatzClick();
    // "Sortieren Klassen+Zeit".
    void SortierenKlassenZeit1Click();
    // "Läufe anzeigen" for a data row; a run chosen there becomes the row's values.
    void showRuns(int row);
    // Makes run `run` the row's values and logs it.
    void chooseRun(int row, const RunRecord& run);
    // The timeslip of the row's last run: with `askPrinter` through the print dialog, else
    // straight to the last printer used. False when nothing was printed.
    bool printTimeslip(int row, bool askPrinter);

    // Where timeslips go; the real printer by default (tests print into a PDF file).
    std::function<std::unique_ptr<QPrinter>()> makePrinter;

signals:
    // A record went into the log.
    void appended();

private:
    void laneStopped(int lane);
    void append(RunRecord r);
    void updatePlaces();
    std::string now() const;
    bool print(const std::vector<Timeslip>& slips, bool askPrinter);

    TFormMain& main_;
    BackupWriter& backup_;
    std::unique_ptr<RunLogFile> log_;
    bool placesShown_ = false;
};

} // namespace vk
