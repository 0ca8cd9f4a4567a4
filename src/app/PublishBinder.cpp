#include "app/PublishBinder.h"

#include "platform/ProgramPaths.h"
#include "protocol/ProtocolPage.h"
#include "protocol/ProtocolPanel.h"

namespace vk {

namespace {

// The page follows the backup's rule, so the two always lie side by side.
ProtocolPublisher::Places placesOf(const ProgramPaths& paths) {
    const std::string folder = paths.dataFolder();
    return {paths.title(),
            ProtocolPageFileName(folder, paths.title(), paths.userDataFolder(),
                                 FileIo::system().folderWritable(folder)),
            paths.userDataFolder()};
}

} // namespace

PublishBinder::PublishBinder(ProtocolPanel& panel, Protocol& protocol, Dialogs& dialogs,
                             Shell& shell, const ProgramPaths& paths,
                             std::function<std::string()> raceTitle)
    : publisher_(protocol, dialogs, shell, placesOf(paths)) {
    publisher_.raceTitle = std::move(raceTitle);
    connections_.push_back(QObject::connect(&panel, &ProtocolPanel::inetRequested, &panel,
                                            [this](int tag) { publisher_.sbInetClick(tag); }));
    connections_.push_back(QObject::connect(&panel, &ProtocolPanel::excelRequested, &panel,
                                            [this] { publisher_.ExportExcel({}); }));
    panel.onSave = [this](const std::string& path, int filterIndex) {
        publisher_.Save(path, ChooseFileType(path, filterIndex));
    };
    panel.onOpen = [this](const std::string& path, int filterIndex) {
        publisher_.Open(path, ChooseFileType(path, filterIndex));
    };
    panel_ = &panel;
}

PublishBinder::~PublishBinder() {
    for (const auto& c : connections_)
        QObject::disconnect(c);
    if (panel_) {
        panel_->onSave = nullptr;
        panel_->onOpen = nullptr;
    }
}

} // namespace vk
