#pragma once

#include "BasicLayerData.h"

#include <QString>

class PicLayerData : public BasicLayerData
{
public:
    PicLayerData()
        : BasicLayerData(LT_PICTURE)
    {}

    QString path;
};
