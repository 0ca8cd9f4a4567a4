#pragma once
#include "protocol/ProtocolPublish.h"

#include <QMetaObject>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

namespace vk {

class ProgramPaths;
class ProtocolPanel;

// Wires the protocol panel's publishing buttons to the publisher: sbInet shows the page in
// the browser, sbPrint prints it, sbExcel opens the protocol in the spreadsheet program.
// The page lies beside the backup; a spreadsheet that is only shown goes to the per-user data
// folder. The save and open commands choose their file type here. Whoever owns the audience window
// binds publisher().onImported to its show steps.
class PublishBinder {
public:
    PublishBinder(ProtocolPanel& panel, Protocol& protocol, Dialogs& dialogs, Shell& shell,
                  const ProgramPaths& paths, std::function<std::string()> raceTitle);
    ~PublishBinder();
    PublishBinder(const PublishBinder&) = delete;
    PublishBinder& operator=(const PublishBinder&) = delete;

    ProtocolPublisher& publisher() { return publisher_; }

private:
    ProtocolPublisher publisher_;
    std::vector<QMetaObject::Connection> connections_;
    QPointer<ProtocolPanel> panel_;
};

} // namespace vk
