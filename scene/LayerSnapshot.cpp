#include "LayerSnapshot.h"

#include "CameraLayerData.h"
#include "PicLayerData.h"
#include "TextLayerData.h"

LayerSnapshot::LayerSnapshot(std::shared_ptr<const BasicLayerData> record, const QString &name,
                             bool combine)
    : m_record(std::move(record))
    , m_name(name)
    , m_combine(combine)
{}

std::unique_ptr<BasicLayerData> LayerSnapshot::copyRecord(const BasicLayerData &record)
{
    switch (record.type) {
    case LT_PICTURE:
        return std::make_unique<PicLayerData>(static_cast<const PicLayerData &>(record));
    case LT_TEXT:
        return std::make_unique<TextLayerData>(static_cast<const TextLayerData &>(record));
    case LT_CAMERA:
        return std::make_unique<CameraLayerData>(static_cast<const CameraLayerData &>(record));
    default:
        return std::make_unique<BasicLayerData>(record);
    }
}

bool LayerSnapshot::sameRecord(const BasicLayerData &a, const BasicLayerData &b)
{
    if (a.type != b.type || a.geometry != b.geometry || a.alpha != b.alpha ||
        a.canEditSize != b.canEditSize) {
        return false;
    }
    switch (a.type) {
    case LT_PICTURE:
        return static_cast<const PicLayerData &>(a).path ==
               static_cast<const PicLayerData &>(b).path;
    case LT_TEXT: {
        const auto &x = static_cast<const TextLayerData &>(a);
        const auto &y = static_cast<const TextLayerData &>(b);
        return x.text == y.text && x.font == y.font && x.color == y.color;
    }
    case LT_CAMERA: {
        const CameraParam &x = static_cast<const CameraLayerData &>(a).cameraParam;
        const CameraParam &y = static_cast<const CameraLayerData &>(b).cameraParam;
        return x.isSameCamera(y) && x.keyColor == y.keyColor && x.sensitivity == y.sensitivity &&
               x.blend == y.blend && x.flag == y.flag;
    }
    default:
        return true;
    }
}
