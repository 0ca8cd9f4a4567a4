#pragma once
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>

namespace vk {

// Pictures of the main window, our own, drawn by code for the device pixel ratio they are
// shown at (crisp on a 2x screen), once per picture, size and ratio, then taken from the
// pixmap cache. A size left empty is the picture's design size.

// Light tree, 32x32 design: 0 red light, 1 green, 2 all dark, 3 yellow (others: dark).
QPixmap AmpelPicture(int n, qreal dpr = 1.0, QSize size = {});
// Barrier-lock icon, 22x22: 0 red no-entry sign (blocked), 1 green plus sign (armed).
QPixmap LockPicture(int n, qreal dpr = 1.0);
// Audience-window switches, 90x20.
QPixmap TvOffPicture(qreal dpr = 1.0);
QPixmap TvOnPicture(qreal dpr = 1.0);
// Top-bar buttons, 38x40.
QPixmap HelpPicture(qreal dpr = 1.0);
QPixmap SettingsPicture(qreal dpr = 1.0);
QPixmap InfoPicture(qreal dpr = 1.0);
// Question icon, 32x32.
QPixmap QuestionPicture(qreal dpr = 1.0);
// Protocol tool-bar pictures, 32x32 design: "load", "save", "excel", "inet", "next",
// "print", "clear"; an unknown name gives an empty transparent picture.
QPixmap ToolPicture(const QString& name, qreal dpr = 1.0, QSize size = {});

// The tool-bar pictures and the program's icon (dist/velkoran.svg) as icons that draw
// themselves for any size and ratio; the disabled look is the style's.
QIcon ToolIcon(const QString& name);
QIcon ApplicationIcon();

// The four states of a picture button side by side, as TLbSpeedButton takes them: up,
// disabled (grey), down (darker), hot (brighter).
QPixmap FourStates(const QPixmap& up);

// A picture on a window (the light tree, the barrier icons, the TV switches): draws its
// source at its own size and device pixel ratio, keeping the drawn pixmap until one of them
// or the source changes. A left click inside runs onClick.
class TImage : public QWidget {
    Q_OBJECT

public:
    using Source = std::function<QPixmap(QSize size, qreal dpr)>;
    explicit TImage(QWidget* parent = nullptr);

    void setPicture(Source source);
    // What paint draws now (for tests; draws the source when needed).
    QPixmap shownPixmap();
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Source source_;
    QPixmap pixmap_;
};

} // namespace vk
