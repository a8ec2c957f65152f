#include "FontFamilies.h"

#include <QFontDatabase>

namespace {

// One text, split at ",", as the text editor matches families against it.
const char16_t AcceptedFamilyList[] = u"微软雅黑,华文细黑,黑体,宋体,楷体";
const char AcceptedSizeList[] = "8,10,12,14,16,18,20,22,24,26,28,36";

} // namespace

QStringList FontFamilies::acceptedFamilies()
{
    return QString::fromUtf16(AcceptedFamilyList).split(QLatin1Char(','));
}

QStringList FontFamilies::acceptedPointSizes()
{
    return QString::fromLatin1(AcceptedSizeList).split(QLatin1Char(','));
}

bool FontFamilies::isAcceptedFamily(const QString &family)
{
    return acceptedFamilies().contains(family, Qt::CaseSensitive);
}

bool FontFamilies::isAcceptedPointSize(const QString &pointSize)
{
    return acceptedPointSizes().contains(pointSize, Qt::CaseSensitive);
}

bool FontFamilies::isInstalled(const QString &family)
{
    // hasFamily() follows the configuration's aliases: it is true when the first family the
    // name resolves to is installed, and false when only the generic fallbacks would answer.
    return !family.isEmpty() && QFontDatabase::hasFamily(family);
}

QStringList FontFamilies::installedFamilies()
{
    const QString acceptedText = QString::fromUtf16(AcceptedFamilyList);
    QStringList result;
    for (const QString &family : QFontDatabase::families()) {
        if (!family.isEmpty() && acceptedText.contains(family, Qt::CaseSensitive) &&
            !result.contains(family))
            result.append(family);
    }
    for (const QString &family : acceptedFamilies()) {
        if (!result.contains(family) && isInstalled(family))
            result.append(family);
    }
    return result;
}
