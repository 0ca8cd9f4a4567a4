#include "app/Program.h"

#include "app/DlgYesNo.h"
#include "config/Cfg.h"
#include "display/FMonitor2.h"

#include <QLineEdit>

namespace vk {

Program::Program(TFormMain::Options options)
    : main_(std::make_unique<TFormMain>(std::move(options))) {
    cfg_ = std::make_unique<TCfgDialog>(main_->settings(), PresentPorts, main_.get());
    yesNo_ = std::make_unique<TFDlgYesNo>(main_->applicationTitle(), main_.get());
    monitor_ = std::make_unique<TFormMonitor2>(main_->eTitle->text());
    main_->setCfgDialog(cfg_.get());
    main_->setYesNoDialog(yesNo_.get());
    main_->setMonitor(monitor_.get());
}

Program::~Program() {
    monitor_.reset();
    yesNo_.reset();
    cfg_.reset();
    main_.reset();
}

} // namespace vk
