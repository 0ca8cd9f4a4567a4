#include "protocol/FileChooser.h"

#include <QDir>
#include <QFileDialog>

namespace vk {

namespace {

QString startFolder(const std::string& folder) {
    return folder.empty() ? QDir::homePath() : QString::fromStdString(folder);
}

QStringList labels(const std::vector<FileFilter>& filter) {
    QStringList out;
    for (const FileFilter& f : filter)
        out << QString::fromStdString(f.Label());
    return out;
}

// The extension a name without one gets under the entry: "*.xlsx" gives "xlsx".
QString suffixOf(const std::vector<FileFilter>& filter, int index) {
    if (index < 1 || static_cast<size_t>(index) > filter.size() ||
        filter[static_cast<size_t>(index - 1)].patterns.empty())
        return QStringLiteral("txt");
    return QString::fromStdString(
        filter[static_cast<size_t>(index - 1)].patterns.front().substr(2));
}

// Runs the dialog on the entries of `filter`, starting on entry `index` (1-based).
std::optional<FileChooser::Choice> run(QFileDialog& d, const std::vector<FileFilter>& filter,
                                       int index) {
    const QStringList names = labels(filter);
    d.setNameFilters(names);
    if (index >= 1 && index <= names.size())
        d.selectNameFilter(names[index - 1]);
    d.setDefaultSuffix(suffixOf(filter, index));
    QObject::connect(&d, &QFileDialog::filterSelected, &d, [&d, &filter, names](const QString& f) {
        d.setDefaultSuffix(suffixOf(filter, static_cast<int>(names.indexOf(f)) + 1));
    });
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return std::nullopt;
    return FileChooser::Choice{d.selectedFiles().first().toStdString(),
                               static_cast<int>(names.indexOf(d.selectedNameFilter())) + 1};
}

} // namespace

std::optional<FileChooser::Choice> QtFileChooser::chooseSave(const std::string& folder,
                                                             const std::string& suggestedName) {
    QFileDialog d(parent_, QString(), startFolder(folder));
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setOption(QFileDialog::DontConfirmOverwrite, true);
    d.selectFile(QString::fromStdString(suggestedName));
    return run(d, filters.save, saveFilterIndex);
}

std::optional<FileChooser::Choice> QtFileChooser::chooseOpen(const std::string& folder) {
    QFileDialog d(parent_, QString(), startFolder(folder));
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setOption(QFileDialog::ReadOnly, false);
    return run(d, filters.open, 1);
}

} // namespace vk
