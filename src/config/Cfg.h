#pragma once
#include "config/Settings.h"

#include <QDialog>

class QLabel;

namespace vk {

// The settings dialog. For now it only takes its creation step (the default track length)
// and shows what it will edit; applying choices comes with the full dialog.
class TCfgDialog : public QDialog {
    Q_OBJECT

public:
    TCfgDialog(Settings& settings, QWidget* parent = nullptr);

    QLabel* Label2 = nullptr;

private:
    void FormCreate();
    Settings& settings_;
};

} // namespace vk
