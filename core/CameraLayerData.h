#pragma once

#include "BasicLayerData.h"
#include "CameraParam.h"

class CameraLayerData : public BasicLayerData
{
public:
    CameraLayerData()
        : BasicLayerData(LT_CAMERA)
    {}

    CameraParam cameraParam;
};
