#pragma once

// The style sheet that text fields share, in the colours of a palette. Internal to the library.

#include "UITheme.h"

#include <QPalette>
#include <QString>

inline QString uiFieldStyleSheet(const char *widgetClass, const QPalette &palette)
{
    const auto name = [](const QColor &colour) {
        return colour.name(QColor::HexArgb);
    };
    const QColor window = UITheme::color(UITheme::Window, palette);
    return QStringLiteral("%1 { background: %2; border: 1px solid %3; border-radius: 3px;"
                          " padding: 2px 6px; color: %4;"
                          " selection-background-color: %5; selection-color: #ffffff; }"
                          "%1:hover { border-color: %6; }"
                          "%1:focus { border-color: %5; }"
                          "%1:disabled { background: %7; color: %8; }")
        .arg(QLatin1String(widgetClass), name(UITheme::fieldBackground(palette)),
             name(UITheme::border(palette)), name(UITheme::color(UITheme::FieldText, palette)),
             name(UITheme::accent()), name(UITheme::hoverBorder(palette)), name(window),
             name(UITheme::disabledText(palette)));
}
