#pragma once

// The style sheet that text fields share. Internal to the library.

#include <QString>

inline QString uiFieldStyleSheet(const char *widgetClass)
{
    return QStringLiteral("%1 { background: #ffffff; border: 1px solid #cccccc; border-radius: 3px;"
                          " padding: 2px 6px; color: #333333;"
                          " selection-background-color: #ff7a23; selection-color: #ffffff; }"
                          "%1:hover { border-color: #ffa060; }"
                          "%1:focus { border-color: #ff7a23; }"
                          "%1:disabled { background: #f5f5f5; color: #b0b0b0; }")
        .arg(QLatin1String(widgetClass));
}
