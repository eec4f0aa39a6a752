#include "settings/colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {
struct TSystemRole {
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// Window-system colour indexes 0..30 and the palette entry that plays their part here.
constexpr TSystemRole SystemRoles[] = {
    {QPalette::Active, QPalette::Button},          // 0 scroll bar
    {QPalette::Active, QPalette::Dark},            // 1 desktop
    {QPalette::Active, QPalette::Highlight},       // 2 active caption
    {QPalette::Inactive, QPalette::Mid},           // 3 inactive caption
    {QPalette::Active, QPalette::Window},          // 4 menu
    {QPalette::Active, QPalette::Base},            // 5 window background
    {QPalette::Active, QPalette::Shadow},          // 6 window frame
    {QPalette::Active, QPalette::WindowText},      // 7 menu text
    {QPalette::Active, QPalette::Text},            // 8 window text
    {QPalette::Active, QPalette::HighlightedText}, // 9 caption text
    {QPalette::Active, QPalette::Button},          // 10 active border
    {QPalette::Inactive, QPalette::Button},        // 11 inactive border
    {QPalette::Active, QPalette::Mid},             // 12 application workspace
    {QPalette::Active, QPalette::Highlight},       // 13 highlight
    {QPalette::Active, QPalette::HighlightedText}, // 14 highlighted text
    {QPalette::Active, QPalette::Button},          // 15 button face
    {QPalette::Active, QPalette::Dark},            // 16 button shadow
    {QPalette::Disabled, QPalette::Text},          // 17 gray text
    {QPalette::Active, QPalette::ButtonText},      // 18 button text
    {QPalette::Inactive, QPalette::WindowText},    // 19 inactive caption text
    {QPalette::Active, QPalette::Light},           // 20 button highlight
    {QPalette::Active, QPalette::Shadow},          // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},        // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},     // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},     // 24 info background
    {QPalette::Active, QPalette::NoRole},          // 25 never assigned
    {QPalette::Active, QPalette::Link},            // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},       // 27 active caption gradient
    {QPalette::Inactive, QPalette::Mid},           // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},       // 29 menu highlight
    {QPalette::Active, QPalette::Window},          // 30 menu bar
};
} // namespace

QColor ColorToQColor(TColor c) {
    const auto v = static_cast<uint32_t>(c);
    if (IsSystemColor(c)) {
        const uint32_t index = v & 0xFF;
        if (index >= std::size(SystemRoles) || SystemRoles[index].Role == QPalette::NoRole)
            return QColor(Qt::black);
        const TSystemRole &r = SystemRoles[index];
        return QGuiApplication::palette().color(r.Group, r.Role);
    }
    // Only the low three bytes carry the colour; a flag byte above them
    // (palette-relative values) does not change what is drawn here.
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

TColor QColorToColor(const QColor &color, TColor previous) {
    const QColor rgb = color.toRgb();
    if (ColorToQColor(previous).rgb() == rgb.rgb()) return previous;
    return RGBColor(rgb.red(), rgb.green(), rgb.blue());
}
