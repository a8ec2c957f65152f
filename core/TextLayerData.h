#pragma once

#include "BasicLayerData.h"

#include <QColor>
#include <QFont>
#include <QString>

class TextLayerData : public BasicLayerData
{
public:
    TextLayerData()
        : BasicLayerData(LT_TEXT)
    {
        alpha = 255;
    }

    QFont font;
    QColor color;
    QString text;
    QRectF textRect; // bounds of the scene container the text lives in
};
