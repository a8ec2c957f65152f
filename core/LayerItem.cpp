#include "LayerItem.h"

LayerItem::LayerItem(QGraphicsItem *parent)
    : UIControl(parent)
{}

LayerItem::~LayerItem() = default;
