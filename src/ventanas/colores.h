// Colours as Windows colour values, 0x00BBGGRR, with the named colours the
// programs use. A value with the top byte 0xFF is a system colour (the only one
// the kit uses is clBtnFace, the button face), resolved from the current Qt
// palette when it is drawn.
#pragma once

#include <cstdint>

#include <QColor>
#include <QFont>
#include <string>

namespace ventanas {

using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clBtnFace = 0xFF00000F;

// The Qt colour of a Windows colour value (system colours from the palette).
QColor a_qcolor(TColor c);
// The Windows colour value of a Qt colour (alpha ignored).
TColor de_qcolor(const QColor& c);

// A Windows font by name and height in pixels, without antialiasing.
// "MS Sans Serif" is not on this platform: narrow sans families of similar
// width stand in for it, so that texts fit the boxes the forms give them.
QFont fuente_windows(const std::string& nombre, int pixeles);

}  // namespace ventanas
