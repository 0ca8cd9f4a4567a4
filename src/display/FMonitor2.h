#pragma once
#include <QWidget>

class QLabel;

namespace vk {

// The audience window: borderless, always on top, black. For now it shows the race title;
// the large lane digits come with its layout.
class TFormMonitor2 : public QWidget {
    Q_OBJECT

public:
    explicit TFormMonitor2(const QString& title, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QLabel* PanelTitle = nullptr;
    // On the operator's own screen (index 0) Escape closes the window; elsewhere it does not.
    int monitorIndex = 0;

signals:
    void shown();
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace vk
