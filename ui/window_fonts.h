// The fonts of the window: Tahoma for the side channel and MS Sans Serif for the rest, as Debian's
// fonts-wine carries them, outside the folders that fontconfig searches.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace pelmora {

// Where fonts-wine puts its fonts.
inline constexpr char kWineFontFolder[] = "/usr/share/wine/fonts";

// Makes the window's fonts found in folder known to the application (Tahoma, Tahoma bold and
// MS Sans Serif); returns the files loaded. A missing file is skipped: the fonts below then
// fall back to DejaVu Sans. Call after the application object is made, before the window.
QStringList LoadWindowFonts(const QString& folder = QString::fromLatin1(kWineFontFolder));

// Every control of the side channel: Tahoma at 11 pixels, else DejaVu Sans.
QFont SideChannelFont();
// The window's own font (the Drawing Area's caption): MS Sans Serif at 11 pixels, else DejaVu
// Sans.
QFont WindowFont();

}  // namespace pelmora
