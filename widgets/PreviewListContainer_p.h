#pragma once

#include "PreviewListContainer.h"
#include "UIAbstractItemContainer_p.h"
#include "UIDragDropDataFormater.h"

#include <QByteArray>
#include <QPointer>
#include <QPointF>

#include <memory>

class PreviewListContainerPrivate : public UIAbstractItemContainerPrivate
{
public:
    int currentIndex = -1;
    bool multiSelection = false;
    QPointF pressPos;
    std::unique_ptr<UIDragDropDataFormater> formater;
    QPointer<PreviewListWidget> widget;
    // Marks the data of the drags this list starts: only those move its rows.
    QByteArray dragToken;
    // An own drag is over the list (so leaving it scrolls the list after the pointer).
    bool ownDragOver = false;
    bool pressed = false;
};
