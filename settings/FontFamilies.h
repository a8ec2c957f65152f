#pragma once

#include <QString>
#include <QStringList>

// The font families and point sizes a text layer may use. The family names are those of the
// Chinese desktop fonts the layouts were designed with; on systems without them, fontconfig
// aliases (resources/fonts/65-previewengine-cjk.conf) map each name to an installed face.
class FontFamilies
{
public:
    // 微软雅黑, 华文细黑, 黑体, 宋体, 楷体, in this order.
    static QStringList acceptedFamilies();
    // "8" to "28" in steps of two, then "36".
    static QStringList acceptedPointSizes();

    // Exact, case-sensitive comparisons; sizes compare as text, so "08" is refused.
    static bool isAcceptedFamily(const QString &family);
    static bool isAcceptedPointSize(const QString &pointSize);

    // True when the name gives an installed face of its own: a real family of that name, or
    // an alias that the font configuration resolves to an installed family. Needs a
    // QGuiApplication.
    static bool isInstalled(const QString &family);

    // The accepted families to offer in a font list: the font database's families whose
    // names occur in the accepted list, in the database's order, then every accepted name
    // that reaches an installed face through an alias. Needs a QGuiApplication.
    static QStringList installedFamilies();
};
