#pragma once
// Colours as the stored files and properties keep them: 0x00BBGGRR for an
// RGB colour (pure red is 255), or 0xFF000000 plus a system colour index for
// a reference to one of the window system's colours (stored as a negative
// number). References are resolved against the application's palette when
// drawn, so they follow the desktop's colours.
#include <QColor>
#include <cstdint>

using TColor = std::int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clWhite = 0xFFFFFF;

constexpr bool IsSystemColor(TColor c) {
    return (static_cast<std::uint32_t>(c) & 0xFF000000u) == 0xFF000000u;
}

// The colour to paint with: RGB from the low three bytes, system references
// from the application palette (an unknown index gives the button face).
QColor ColorToQColor(TColor c);
// An RGB colour in the stored layout (alpha dropped).
TColor QColorToColor(const QColor &c);
