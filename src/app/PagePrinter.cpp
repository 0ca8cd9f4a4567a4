#include "app/PagePrinter.h"

#include <QFile>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringDecoder>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace vk {

bool PrintPageFile(const std::string& path, QPrinter& printer) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    // The page names its charset; a page without one is taken as UTF-8.
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    const QString html =
        decoder.isValid() ? QString(decoder.decode(bytes)) : QString::fromUtf8(bytes);
    QTextDocument doc;
    doc.setHtml(html);
    // The page's column shares suit a browser, which still widens a column for its longest
    // word; Qt's layout keeps the shares and breaks words apart. Sized by their contents,
    // the columns print whole.
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            QTextTableFormat format = table->format();
            format.clearColumnWidthConstraints();
            table->setFormat(format);
        }
    }
    doc.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

void PrintPageWithDialog(const std::string& path, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!PrintPageFile(path, printer))
        QMessageBox::warning(parent, QStringLiteral("Drucken"),
                             QStringLiteral("Die Seite %1 konnte nicht gedruckt werden.")
                                 .arg(QString::fromStdString(path)));
}

} // namespace vk
