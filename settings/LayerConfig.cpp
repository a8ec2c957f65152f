#include "LayerConfig.h"

#include "ILayerConfigWriter.h"
#include "LayerConfigKeys.h"
#include "LayerState.h"
#include "SettingsHandle.h"
#include "StoredValue.h"

#include <QFont>

using LayerConfigKeys::layerKey;

bool LayerConfig::write(const LayerState &state, const QString &prefix, ILayerConfigWriter *store)
{
    if (!store)
        return false;
    const auto set = [&](const char *name, const QString &value) {
        store->setValue(layerKey(prefix, name), value);
    };
    switch (state.type) {
    case LT_PICTURE:
        set("type", StoredValue::fromInt(LT_PICTURE));
        set("path", state.path);
        set("alpha", StoredValue::fromInt(state.alpha));
        set("caneditsize", StoredValue::fromBool(state.canEditSize));
        break;
    case LT_TEXT: {
        const QFont &font = state.fontInfo.font();
        set("type", StoredValue::fromInt(LT_TEXT));
        set("fontfamily", font.family());
        set("fontsize", StoredValue::fromInt(font.pointSize()));
        set("fontcolor", StoredValue::fromColor(state.fontInfo.color()));
        set("fontblod", StoredValue::fromBool(font.bold()));
        set("fontitalic", StoredValue::fromBool(font.italic()));
        set("fontunderline", StoredValue::fromBool(font.underline()));
        set("text", StoredValue::fromText(state.text));
        break;
    }
    case LT_CAMERA: {
        const CameraParam &camera = state.cameraParam;
        set("type", StoredValue::fromInt(LT_CAMERA));
        set("alpha", StoredValue::fromInt(state.alpha));
        set("device", camera.deviceName);
        set("devicewidth", StoredValue::fromInt(camera.width));
        set("deviceheight", StoredValue::fromInt(camera.height));
        set("keyColor", StoredValue::fromInt(camera.keyColor));
        set("sensitivity", StoredValue::fromReal(double(camera.sensitivity)));
        set("blend", StoredValue::fromReal(double(camera.blend)));
        break;
    }
    case LT_GAMEVIDEO:
        set("type", StoredValue::fromInt(LT_GAMEVIDEO));
        set("alpha", StoredValue::fromInt(state.alpha));
        break;
    default:
        return false;
    }
    // Truncated, which also keeps NaN and huge values out of the stored numbers.
    set("pos", StoredValue::fromPoint(QPointF(state.topLeft())));
    set("size", StoredValue::fromSize(QSizeF(state.size())));
    set("combine", StoredValue::fromBool(state.combine));
    set("name", state.name);
    return true;
}

LayerState LayerConfig::read(const SettingsHandle &handle, const QString &prefix)
{
    const auto get = [&](const char *name) {
        return handle.value(layerKey(prefix, name));
    };
    const int type = StoredValue::toUInt(get("type"));
    LayerState state(type >= LT_PICTURE && type <= LT_GAMEVIDEO ? type : LT_NONE);
    state.geometry =
        QRectF(StoredValue::toPoint(get("pos")), QSizeF(StoredValue::toSize(get("size"))));
    state.combine = get("combine").toInt() != 0;
    state.name = get("name");
    state.alpha = StoredValue::toUInt(get("alpha"));
    switch (state.type) {
    case LT_PICTURE:
        state.path = get("path");
        state.canEditSize = StoredValue::toUInt(get("caneditsize")) > 0;
        break;
    case LT_TEXT: {
        QFont font;
        font.setFamily(get("fontfamily"));
        const int pointSize = StoredValue::toUInt(get("fontsize"));
        if (pointSize > 0)
            font.setPointSize(pointSize);
        font.setBold(StoredValue::toUInt(get("fontblod")) != 0);
        font.setItalic(StoredValue::toUInt(get("fontitalic")) != 0);
        font.setUnderline(StoredValue::toUInt(get("fontunderline")) != 0);
        state.fontInfo.setFont(font);
        state.fontInfo.setColor(StoredValue::toColor(get("fontcolor")));
        state.text = StoredValue::toText(get("text"));
        break;
    }
    case LT_CAMERA: {
        CameraParam &camera = state.cameraParam;
        camera.deviceName = get("device");
        camera.width = get("devicewidth").toInt();
        camera.height = get("deviceheight").toInt();
        camera.keyColor = uint(StoredValue::toUInt(get("keyColor")));
        camera.sensitivity = get("sensitivity").toFloat();
        camera.blend = get("blend").toFloat();
        break;
    }
    default:
        break;
    }
    return state;
}
