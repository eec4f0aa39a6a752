#include "platform/widgets/tcolor.h"

#include <QGuiApplication>
#include <QPalette>

QColor ColorToQColor(TColor c) {
    const auto u = static_cast<std::uint32_t>(c);
    if (!IsSystemColor(c)) return QColor(u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF);
    const QPalette pal = QGuiApplication::palette();
    switch (u & 0xFF) {
    case 0:
        return pal.color(QPalette::Mid);
    case 2:
        return pal.color(QPalette::Highlight);
    case 5:
        return pal.color(QPalette::Base);
    case 8:
        return pal.color(QPalette::Text);
    case 9:
        return pal.color(QPalette::HighlightedText);
    case 13:
        return pal.color(QPalette::Highlight);
    case 14:
        return pal.color(QPalette::HighlightedText);
    case 15:
        return pal.color(QPalette::Button);
    case 16:
        return pal.color(QPalette::Dark);
    case 17:
        return pal.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return pal.color(QPalette::ButtonText);
    case 20:
        return pal.color(QPalette::Light);
    case 23:
        return pal.color(QPalette::ToolTipText);
    case 24:
        return pal.color(QPalette::ToolTipBase);
    default:
        return pal.color(QPalette::Button);
    }
}

TColor QColorToColor(const QColor &c) {
    const QColor rgb = c.toRgb();
    return static_cast<TColor>(static_cast<std::uint32_t>(rgb.red()) |
                               (static_cast<std::uint32_t>(rgb.green()) << 8) |
                               (static_cast<std::uint32_t>(rgb.blue()) << 16));
}
