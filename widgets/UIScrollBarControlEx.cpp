#include "UIScrollBarControlEx.h"

UIScrollBarControlEx::UIScrollBarControlEx(QGraphicsItem *parent)
    : UIInternalScrollBarControl(parent)
{}

UIScrollBarControlEx::~UIScrollBarControlEx() = default;
