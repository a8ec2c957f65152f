#pragma once

#include <QMetaType>
#include <QSize>
#include <QString>

// What the camera layer asks the host to open, and how it keys the picture.
class CameraParam
{
public:
    QString deviceName; // as the host lists it
    int width = 0;      // capture size in pixels
    int height = 0;
    unsigned int keyColor = 0x00FF00; // 0x00RRGGBB
    float sensitivity = 0.05f;
    float blend = 0.8f;
    bool flag = false; // carried along, never interpreted or stored

    // A record from the values the layer operations pass one by one.
    static CameraParam from(const QString &deviceName, const QSize &captureSize,
                            unsigned int keyColor, float sensitivity, float blend, bool flag)
    {
        CameraParam param;
        param.deviceName = deviceName;
        param.width = captureSize.width();
        param.height = captureSize.height();
        param.keyColor = keyColor;
        param.sensitivity = sensitivity;
        param.blend = blend;
        param.flag = flag;
        return param;
    }

    // Same device at the same size: no need to reopen the camera.
    bool isSameCamera(const CameraParam &other) const
    {
        return deviceName == other.deviceName && width == other.width && height == other.height;
    }

    // Every field the same.
    bool operator==(const CameraParam &other) const
    {
        return isSameCamera(other) && keyColor == other.keyColor &&
               sensitivity == other.sensitivity && blend == other.blend && flag == other.flag;
    }
    bool operator!=(const CameraParam &other) const { return !(*this == other); }

    // Enough to ask the host to open a camera.
    bool canOpen() const { return !deviceName.isEmpty() && width > 0 && height > 0; }
};

Q_DECLARE_METATYPE(CameraParam)
