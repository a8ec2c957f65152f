#pragma once

#include <QString>

// The key paths of the layer layout in the preview settings file.
namespace LayerConfigKeys {

inline QString parentWidth()
{
    return QStringLiteral("config/layers/parentwidth1");
}
inline QString parentHeight()
{
    return QStringLiteral("config/layers/parentheight1");
}
inline QString layersNum()
{
    return QStringLiteral("config/layers/layersnum");
}
// "config/layers/layer<index>", the prefix of one stored layer's keys.
inline QString layerPrefix(uint index)
{
    return QStringLiteral("config/layers/layer%1").arg(index);
}
// One value of a stored layer: name is "type", "pos", "size", "fontfamily" and so on.
inline QString layerKey(const QString &prefix, const char *name)
{
    return prefix + QLatin1Char('/') + QLatin1String(name);
}

} // namespace LayerConfigKeys
