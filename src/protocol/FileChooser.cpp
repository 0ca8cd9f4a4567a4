#include "protocol/FileChooser.h"

#include <QDir>
#include <QFileDialog>

namespace vk {

namespace {
const char* const kTextFilter = "Textdatei (*.txt)";

QString startFolder(const std::string& folder) {
    return folder.empty() ? QDir::homePath() : QString::fromStdString(folder);
}
} // namespace

std::optional<FileChooser::Choice> QtFileChooser::chooseSave(const std::string& folder,
                                                             const std::string& suggestedName) {
    QFileDialog d(parent_, QString(), startFolder(folder), QString::fromUtf8(kTextFilter));
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(QStringLiteral("txt"));
    d.setOption(QFileDialog::DontConfirmOverwrite, true);
    d.selectFile(QString::fromStdString(suggestedName));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return std::nullopt;
    return Choice{d.selectedFiles().first().toStdString(), 0};
}

std::optional<FileChooser::Choice> QtFileChooser::chooseOpen(const std::string& folder) {
    QFileDialog d(parent_, QString(), startFolder(folder), QString::fromUtf8(kTextFilter));
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setDefaultSuffix(QStringLiteral("txt"));
    d.setOption(QFileDialog::ReadOnly, false);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return std::nullopt;
    return Choice{d.selectedFiles().first().toStdString(), 0};
}

} // namespace vk
