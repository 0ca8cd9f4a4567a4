#include "display/FMonitor2.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace vk {

TFormMonitor2::TFormMonitor2(const QString& title, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("FormMonitor2");
    setWindowTitle(QStringLiteral("Monitor 2"));
    setStyleSheet(QStringLiteral("background: black;"));
    setCursor(Qt::BlankCursor);
    auto* layout = new QVBoxLayout(this);
    PanelTitle = new QLabel(this);
    PanelTitle->setObjectName("PanelTitle");
    PanelTitle->setAlignment(Qt::AlignCenter);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(19);
    PanelTitle->setFont(f);
    PanelTitle->setStyleSheet(QStringLiteral("color: white;"));
    layout->addWidget(PanelTitle, 0, Qt::AlignTop);
    setTitle(title);
    resize(366, 281);
}

void TFormMonitor2::setTitle(const QString& title) {
    PanelTitle->setText(title);
}

void TFormMonitor2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit shown();
}

void TFormMonitor2::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

void TFormMonitor2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && monitorIndex == 0)
        close();
    else
        QWidget::keyPressEvent(event);
}

} // namespace vk
