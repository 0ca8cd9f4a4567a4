#include "app/RunLogViews.h"

#include <QHeaderView>
#include <QPainter>
#include <QPrinter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vk {

TRunsDialog::TRunsDialog(const std::string& startNumber, std::vector<RunRecord> runs,
                         QWidget* parent)
    : QDialog(parent), runs_(std::move(runs)) {
    setObjectName(QStringLiteral("RunsDialog"));
    setWindowTitle(QStringLiteral("Läufe von Nr. %1").arg(QString::fromStdString(startNumber)));
    const QStringList headers = {"Lauf", "Zeit", "Bahn",    "Gegner", "RZ",
                                 "ZZ",   "FZ",   "Geszeit", "Km/h",   "Win"};
    table_ = new QTableWidget(static_cast<int>(runs_.size()), headers.size(), this);
    table_->setObjectName(QStringLiteral("RunsTable"));
    table_->setHorizontalHeaderLabels(headers);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setToolTip(QStringLiteral("Ein Klick übernimmt den Lauf in die Zeile"));
    for (int i = 0; i < static_cast<int>(runs_.size()); ++i) {
        const RunRecord& r = runs_[static_cast<size_t>(i)];
        const std::string time = r.dateTime.size() >= 19 ? r.dateTime.substr(11, 8) : r.dateTime;
        const std::string cells[] = {std::to_string(r.runNumber),
                                     time,
                                     std::to_string(r.lane),
                                     r.opponentStartNumber,
                                     r.rz,
                                     r.zz,
                                     r.fz,
                                     r.falseStart ? "Fehlstart" : r.geszeit,
                                     r.kmh,
                                     r.win ? "+" : ""};
        for (int c = 0; c < headers.size(); ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(cells[c]));
            item->setTextAlignment(c == 1 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(i, c, item);
        }
    }
    table_->resizeColumnsToContents();
    connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) {
        chosen_ = row;
        accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    resize(std::max(520, table_->horizontalHeader()->length() + 40),
           std::min(600, 80 + 24 * static_cast<int>(runs_.size())));
}

bool PrintTimeslips(const std::vector<Timeslip>& slips, QPrinter& printer) {
    if (slips.empty())
        return true;
    QPainter p;
    if (!p.begin(&printer))
        return false;
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const double dpi = printer.resolution();
    // About 30 characters across an 80 mm roll; no larger than 14 pt on a wide sheet.
    const double px = std::min(page.width() / 22.0, 14.0 / 72.0 * dpi);
    QFont body(QStringLiteral("Arial"));
    body.setPixelSize(std::max(6, static_cast<int>(px)));
    QFont big = body;
    big.setBold(true);
    big.setPixelSize(static_cast<int>(body.pixelSize() * 1.4));
    const double width = page.width();
    for (size_t i = 0; i < slips.size(); ++i) {
        if (i > 0)
            printer.newPage();
        const Timeslip& s = slips[i];
        double y = 0;
        const auto centred = [&](const QFont& f, const std::string& text) {
            p.setFont(f);
            const QRectF r(0, y, width, QFontMetricsF(f).height() * 1.3);
            p.drawText(r, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap,
                       QString::fromStdString(text));
            y += r.height();
        };
        centred(big, s.title);
        centred(body, s.heading);
        y += QFontMetricsF(body).height() * 0.3;
        p.drawLine(QPointF(0, y), QPointF(width, y));
        y += QFontMetricsF(body).height() * 0.3;
        const double line = QFontMetricsF(body).height() * 1.25;
        for (const auto& [label, value] : s.lines) {
            if (y + line > page.height()) {
                printer.newPage();
                y = 0;
            }
            const bool strong = label == "Geszeit";
            p.setFont(strong ? big : body);
            const QRectF r(0, y, width, strong ? line * 1.3 : line);
            p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(label));
            p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(value));
            y += r.height();
        }
    }
    p.end();
    return printer.printerState() != QPrinter::Error;
}

} // namespace vk
