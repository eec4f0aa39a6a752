#pragma once
// The stored colour value: 0x00BBGGRR for an RGB colour, or 0xFF000000 plus
// the index of a window-system colour. It is kept in the settings file as a
// signed decimal, so system colours show there as negative numbers.
#include <QColor>
#include <cstdint>

using TColor = int32_t;

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0xFF000000u | static_cast<uint32_t>(index));
}
constexpr TColor RGBColor(int r, int g, int b) {
    return static_cast<TColor>((static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(g) << 8) |
                               static_cast<uint32_t>(r));
}

constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clWindow = SystemColor(5);     // written -16777211
constexpr TColor clWindowText = SystemColor(8); // written -16777208
constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clGray = RGBColor(128, 128, 128);
constexpr TColor clRed = RGBColor(255, 0, 0);
constexpr TColor clWhite = RGBColor(255, 255, 255);

inline bool IsSystemColor(TColor c) {
    return c < 0;
}

// The one way from a stored value to a colour on screen. System indexes go
// through the application palette; an index the window system never had
// gives black, as the old system-colour lookup did.
QColor ColorToQColor(TColor c);

// Back from a colour on screen: `previous` is kept when it still shows as
// `color`, so a system colour written back unchanged stays a system colour.
TColor QColorToColor(const QColor &color, TColor previous);
