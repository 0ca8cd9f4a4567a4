#pragma once
#include <QPixmap>
#include <QString>

namespace vk {

// Pictures of the main window, drawn by code once and then taken from the pixmap cache.

// Light tree, 32x32: 0 red light, 1 green, 2 all dark, 3 yellow (others: dark).
QPixmap AmpelPicture(int n);
// Barrier-lock icon, 22x22: 0 red no-entry sign (blocked), 1 green plus sign (armed).
QPixmap LockPicture(int n);
// Audience-window switches, 90x20.
QPixmap TvOffPicture();
QPixmap TvOnPicture();
// Top-bar buttons, 38x40.
QPixmap HelpPicture();
QPixmap SettingsPicture();
QPixmap InfoPicture();
// Question icon, 32x32.
QPixmap QuestionPicture();
// Protocol tool-bar pictures, 32x32: "load", "save", "excel", "inet", "next", "print",
// "clear"; an unknown name gives an empty transparent picture.
QPixmap ToolPicture(const QString& name);

} // namespace vk
