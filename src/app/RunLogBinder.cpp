#include "app/RunLogBinder.h"

#include "app/FMain.h"
#include "app/RowCommandsBinder.h"
#include "app/RunLogViews.h"
#include "protocol/Protocol.h"
#include "protocol/ProtocolBackup.h"
#include "protocol/ProtocolPanel.h"
#include "race/RunCapture.h"
#include "runlog/Places.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStatusBar>
#include <QTimer>

#include <chrono>

namespace vk {

namespace {
int64_t secondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}
} // namespace

RunLogBinder::RunLogBinder(TFormMain& main, BackupWriter& backup)
    : QObject(&main), main_(main), backup_(backup) {
    setObjectName(QStringLiteral("RunLogBinder"));
    makePrinter = [] { return std::make_unique<QPrinter>(QPrinter::HighResolution); };
    // The day of the program's start names the file: a race evening past midnight stays in
    // one file.
    const std::string path =
        RunLogFileName(backup.path(), main.paths().title(), now().substr(0, 10));
    BackupThread& writer = backup.writerThread();
    const QPointer<RunLogBinder> self(this);
    writer.onAppended = [self](uint64_t, bool ok) {
        if (ok)
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self] {
                if (self)
                    self->main_.statusBar()->showMessage(
                        QStringLiteral("Laufprotokoll: Schreibfehler, Lauf nicht gesichert!"));
            },
            Qt::QueuedConnection);
    };
    log_ = std::make_unique<RunLogFile>(path, [&writer](const std::string& p, std::string bytes) {
        writer.append(p, std::move(bytes));
    });
    log_->load();
    if (const std::string word = log_->statusWord(); !word.empty())
        main.statusBar()->showMessage(QString::fromStdString(word));

    RaceControl& rc = main.race();
    rc.onLaneStopped = [this, previous = rc.onLaneStopped](int lane) {
        if (previous)
            previous(lane);
        laneStopped(lane);
    };
    main.rowCommands().commands().onAct = [this](RunRecord::Kind kind, int row) {
        append(CaptureRowAct(kind, main_.table(), row, {}, {}));
        updatePlaces();
    };

    ProtocolPanel& panel = main.protocolPanel();
    // Connected after the panel's own handler: the results are gone when this runs.
    connect(panel.action(QStringLiteral("Rezultentfernen1")), &QAction::triggered, this, [this] {
        RunRecord r;
        r.kind = RunRecord::Kind::ResultsRemoved;
        append(std::move(r));
    });
    for (const char* name : {"mPlatz", "SortierenKlassenZeit1"})
        panel.action(QString::fromLatin1(name))->setVisible(true);
    panel.setKlassSortEnabled(panel.klassSortEnabled());
    connect(&panel, &ProtocolPanel::placesRequested, this, &RunLogBinder::mPlatzClick);
    connect(&panel, &ProtocolPanel::klassSortRequested, this,
            &RunLogBinder::SortierenKlassenZeit1Click);
    QMenu* popup = panel.popupMenu();
    QAction* runs = popup->addAction(QStringLiteral("Läufe anzeigen"));
    runs->setObjectName(QStringLiteral("mLaeufe"));
    connect(runs, &QAction::triggered, this, [this] { showRuns(main_.protocol().cursor().row); });
    QAction* slip = popup->addAction(QStringLiteral("Zeitkarte           (Strg+K)"));
    slip->setObjectName(QStringLiteral("mZeitkarte1"));
    connect(slip, &QAction::triggered, this,
            [this] { printTimeslip(main_.protocol().cursor().row, true); });
    connect(panel.grid(), &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& i) {
        if (i.column() == 0)
            showRuns(i.row() + 1);
    });

    placesShown_ = HasPlaces(main.table());
    panel.setPlaceColumnShown(placesShown_);
    // A loaded file may bring places.
    Protocol& p = main.protocol();
    p.onOperatorChange = [self, previous = p.onOperatorChange] {
        if (previous)
            previous();
        if (self && !self->placesShown_ && HasPlaces(self->main_.table())) {
            self->placesShown_ = true;
            self->main_.protocolPanel().setPlaceColumnShown(true);
        }
    };
}

RunLogBinder::~RunLogBinder() {
    main_.race().onLaneStopped = nullptr;
    main_.rowCommands().commands().onAct = nullptr;
    backup_.writerThread().flushAppends();
    backup_.writerThread().onAppended = nullptr;
}

bool RunLogBinder::flush() {
    return backup_.writerThread().flushAppends();
}

std::string RunLogBinder::now() const {
    return LocalDateTimeText(secondsNow());
}

void RunLogBinder::append(RunRecord r) {
    if (r.dateTime.empty())
        r.dateTime = now();
    if (r.title.empty())
        r.title = main_.eTitle->text().toStdString();
    log_->append(std::move(r));
    emit appended();
}

void RunLogBinder::laneStopped(int lane) {
    RaceControl& rc = main_.race();
    append(CaptureRun(rc, lane, main_.table(), {}, {}));
    updatePlaces();
    if (rc.race.StopCount == 2 && main_.settings().Zeitkarte) {
        // After the stop has finished: printing must not hold up the race's own steps.
        QTimer::singleShot(0, this, [this] { print(LastRaceTimeslips(log_->records()), false); });
    }
}

void RunLogBinder::updatePlaces() {
    if (placesShown_)
        FillPlaces(main_.table());
}

void RunLogBinder::mPlatzClick() {
    FillPlaces(main_.table());
    placesShown_ = placesShown_ || HasPlaces(main_.table());
    main_.protocolPanel().setPlaceColumnShown(placesShown_);
    backup_.OperatorChanged();
}

void RunLogBinder::SortierenKlassenZeit1Click() {
    SortByClassAndTime(main_.table());
    backup_.OperatorChanged();
}

void RunLogBinder::showRuns(int row) {
    CellTable& t = main_.table();
    if (row < 1 || row >= t.RowCount() || t.Cell(0, row).empty())
        return;
    main_.protocol().BrowseMode();
    const std::string number = t.Cell(0, row);
    TRunsDialog dialog(number, RunsOf(log_->records(), number), &main_);
    if (dialog.exec() == QDialog::Accepted && dialog.chosen())
        chooseRun(row, *dialog.chosen());
}

void RunLogBinder::chooseRun(int row, const RunRecord& run) {
    CellTable& t = main_.table();
    ApplyRunToRow(t, row, run);
    RunRecord chosen = CaptureRowAct(RunRecord::Kind::RunChosen, t, row, {}, {});
    chosen.refersTo = run.runNumber;
    append(std::move(chosen));
    updatePlaces();
    backup_.OperatorChanged();
}

bool RunLogBinder::printTimeslip(int row, bool askPrinter) {
    const CellTable& t = main_.table();
    if (row < 1 || row >= t.RowCount())
        return false;
    const auto& records = log_->records();
    const RunRecord* last = LastRunOf(records, t.Cell(0, row));
    if (!last) {
        main_.statusBar()->showMessage(QStringLiteral("Zeitkarte: kein Lauf im Laufprotokoll"));
        return false;
    }
    const size_t index = static_cast<size_t>(last - records.data());
    return print({MakeTimeslip(*last, OpponentRun(records, index))}, askPrinter);
}

bool RunLogBinder::print(const std::vector<Timeslip>& slips, bool askPrinter) {
    if (slips.empty())
        return false;
    std::unique_ptr<QPrinter> printer = makePrinter();
    Settings& s = main_.settings();
    if (printer->outputFormat() == QPrinter::NativeFormat && !s.ZeitkartePrinter.empty())
        printer->setPrinterName(QString::fromStdString(s.ZeitkartePrinter));
    if (askPrinter) {
        QPrintDialog dialog(printer.get(), &main_);
        dialog.setWindowTitle(QStringLiteral("Zeitkarte drucken"));
        if (dialog.exec() != QDialog::Accepted)
            return false;
    } else if (printer->outputFileName().isEmpty() && QPrinterInfo::availablePrinters().isEmpty()) {
        // No printer: without a print system Qt would write a PDF to no file.
        main_.statusBar()->showMessage(QStringLiteral("Zeitkarte: kein Drucker eingerichtet"));
        return false;
    }
    if (printer->outputFormat() == QPrinter::NativeFormat)
        s.ZeitkartePrinter = printer->printerName().toStdString();
    const bool ok = PrintTimeslips(slips, *printer);
    if (!ok)
        main_.statusBar()->showMessage(QStringLiteral("Zeitkarte konnte nicht gedruckt werden"));
    return ok;
}

} // namespace vk
