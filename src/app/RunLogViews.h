#pragma once
#include "runlog/RunRecord.h"
#include "runlog/Timeslip.h"

#include <QDialog>

#include <vector>

class QPrinter;
class QTableWidget;

namespace vk {

// "Läufe anzeigen": a driver's runs from the run log, one per line. A click on a run chooses
// it (chosen() names it) and closes the dialog.
class TRunsDialog : public QDialog {
    Q_OBJECT

public:
    TRunsDialog(const std::string& startNumber, std::vector<RunRecord> runs, QWidget* parent);
    QTableWidget* table() const { return table_; }
    // The run clicked; null when none was.
    const RunRecord* chosen() const { return chosen_ < 0 ? nullptr : &runs_[size_t(chosen_)]; }

private:
    std::vector<RunRecord> runs_;
    QTableWidget* table_;
    int chosen_ = -1;
};

// Prints each timeslip on a page of its own, sized to the printer's page: a receipt roll of
// 80 mm as well as A6 or A4. False when the printer reports an error.
bool PrintTimeslips(const std::vector<Timeslip>& slips, QPrinter& printer);

} // namespace vk
