#include "config/Cfg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vk {

TCfgDialog::TCfgDialog(Settings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
    setObjectName("CfgDialog");
    setWindowTitle(QStringLiteral("Einstellungen"));
    auto* layout = new QVBoxLayout(this);
    Label2 = new QLabel(QStringLiteral("Streckenlange:"), this);
    Label2->setObjectName("Label2");
    layout->addWidget(Label2);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName("OKBtn");
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole)
        ->setObjectName("CancelBtn");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FormCreate();
}

void TCfgDialog::FormCreate() {
    settings_.applyStartupDefaults();
    Label2->setText(QStringLiteral("Streckenlänge: %1 m").arg(settings_.Length));
}

} // namespace vk
