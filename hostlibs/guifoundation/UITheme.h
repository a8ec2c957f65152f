#pragma once

#include "guifoundation_global.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

class QPainter;

// The look shared by every control: the palette, the default font and picture loading.
class GUIFOUNDATION_EXPORT UITheme
{
public:
    // The product's accent (selection, focus, primary buttons) and the neutral greys.
    static QColor accent();
    static QColor accentDark();
    static QColor text();
    static QColor mutedText();
    static QColor border();
    static QColor hoverBorder();
    static QColor fieldBackground();
    static QColor disabledText();

    // The UI font at the given point size: a sans-serif face with Chinese glyphs when one is
    // installed, else the application's font.
    static QFont font(qreal pointSize = 9);

    // Loads a picture for painting at the given device pixel ratio. At a ratio above 1 the
    // "name@2x.ext" variant is used when it exists, with its device pixel ratio set, so it
    // paints at the logical size of the plain picture. Results are cached; a missing file gives
    // a null pixmap.
    static QPixmap pixmap(const QString &path, qreal devicePixelRatio = 1.0);
    // True when the picture (or its @2x variant) can be read.
    static bool imageExists(const QString &path);
    // The device pixel ratio that painter paints at.
    static qreal devicePixelRatio(const QPainter *painter);
};
