#pragma once

#include "guifoundation_global.h"

#include <QColor>
#include <QFont>
#include <QMetaType>
#include <QPalette>
#include <QPixmap>
#include <QString>

class QPainter;
class QWidget;

// The look shared by every control: the colours, the default font and picture loading.
//
// Colours follow a palette, so the GUI matches the application's theme, light or dark: a
// control takes them from its own palette(), which comes from its window; a window takes its
// palette from the window it belongs to (an editor from the host's window) or else from the
// application. Only the product's accent, an orange, is the same on every theme.
class GUIFOUNDATION_EXPORT UITheme
{
    Q_GADGET

public:
    // What a colour is for. Layouts name them, for example textRole="MutedText".
    enum Role {
        NoRole,
        Window,    // the background of a window
        Text,      // text on the window
        MutedText, // hints, captions and other secondary text
        Field,     // the inside of text boxes, combo boxes and lists
        FieldText, // text inside a field
        Border,    // the rim of fields and plain buttons
        Button,    // the face of a plain button
        Hover,     // a row under the mouse, in a field
        Selection, // a selected row, in a field
        Disabled,  // text of a disabled control
    };
    Q_ENUM(Role)

    static QColor color(Role role, const QPalette &palette);
    static bool isDark(const QPalette &palette);
    // fraction of to over from: 0 gives from, 1 gives to.
    static QColor mix(const QColor &from, const QColor &to, qreal fraction);
    // The contrast ratio of two colours as the web's accessibility guidelines define it: 1 for
    // equal luminance, 21 for black on white; text wants at least 3.
    static qreal contrast(const QColor &a, const QColor &b);

    // The product's accent (selection, focus, primary buttons), on every theme.
    static QColor accent();
    static QColor accentDark();
    static QColor text(const QPalette &palette) { return color(Text, palette); }
    static QColor mutedText(const QPalette &palette) { return color(MutedText, palette); }
    static QColor border(const QPalette &palette) { return color(Border, palette); }
    static QColor hoverBorder(const QPalette &palette);
    static QColor fieldBackground(const QPalette &palette) { return color(Field, palette); }
    static QColor disabledText(const QPalette &palette) { return color(Disabled, palette); }

    // For a pop-up or dialog that Qt makes a window of its own (menus, file and colour
    // dialogs): takes the palette of the window that opens it, owner, so it follows the same
    // theme. Nothing happens without an owner.
    static void usePaletteOf(QWidget *popup, const QWidget *owner);

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
