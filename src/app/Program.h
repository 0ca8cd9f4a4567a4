#pragma once
#include "app/FMain.h"

#include <memory>

class TFDlgYesNo;

namespace vk {

class TCfgDialog;
class TFormMonitor2;

// The program's four windows, created in this order and destroyed in reverse, so the main
// window's destruction step runs last and touches none of the others.
class Program {
public:
    explicit Program(TFormMain::Options options);
    ~Program();

    TFormMain& main() { return *main_; }
    TCfgDialog& cfgDialog() { return *cfg_; }
    TFDlgYesNo& yesNo() { return *yesNo_; }
    TFormMonitor2& monitor() { return *monitor_; }

private:
    std::unique_ptr<TFormMain> main_;
    std::unique_ptr<TCfgDialog> cfg_;
    std::unique_ptr<TFDlgYesNo> yesNo_;
    std::unique_ptr<TFormMonitor2> monitor_;
};

} // namespace vk
