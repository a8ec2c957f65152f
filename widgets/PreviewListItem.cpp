#include "PreviewListItem.h"

PreviewListItem::PreviewListItem(QGraphicsItem *parent)
    : UIAbstractViewItem(parent)
{}

PreviewListItem::~PreviewListItem() = default;
