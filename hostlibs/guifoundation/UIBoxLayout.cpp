#include "UIBoxLayout.h"

#include <QGraphicsWidget>
#include <QSizePolicy>
#include <QVarLengthArray>

#include <algorithm>

namespace {

// Qt's own limit for widget sizes (QWIDGETSIZE_MAX).
constexpr qreal Unbounded = (1 << 24) - 1;

// Empty space in a row or column: fixed along the main axis, or growing with a stretch.
class SpacerItem : public QGraphicsLayoutItem
{
public:
    SpacerItem(qreal size, bool grows)
        : m_size(size)
    {
        setSizePolicy(grows ? QSizePolicy::Expanding : QSizePolicy::Fixed,
                      grows ? QSizePolicy::Expanding : QSizePolicy::Fixed);
    }

    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &) const override
    {
        if (which == Qt::MaximumSize && sizePolicy().horizontalPolicy() == QSizePolicy::Expanding)
            return QSizeF(Unbounded, Unbounded);
        return QSizeF(m_size, m_size);
    }

private:
    qreal m_size;
};

} // namespace

UIBoxLayout::UIBoxLayout(QGraphicsLayoutItem *parent)
    : QGraphicsLayout(parent)
{}

UIBoxLayout::~UIBoxLayout()
{
    // Children that are widgets belong to the control, not to the layout.
    for (const Entry &entry : std::as_const(m_entries))
        entry.item->setParentLayoutItem(nullptr);
}

void UIBoxLayout::setMode(Mode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    invalidate();
}

void UIBoxLayout::setMargins(const QMarginsF &margins)
{
    m_margins = margins;
    invalidate();
}

void UIBoxLayout::setSpacing(qreal spacing)
{
    m_spacing = std::max<qreal>(0, spacing);
    invalidate();
}

void UIBoxLayout::setContentAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    invalidate();
}

void UIBoxLayout::insertItem(int index, QGraphicsLayoutItem *item, int stretch,
                             Qt::Alignment alignment)
{
    if (!item || item == this)
        return;
    removeItem(item);
    addChildLayoutItem(item);
    index = index < 0 || index > m_entries.size() ? int(m_entries.size()) : index;
    m_entries.insert(index, Entry{item, std::max(0, stretch), alignment});
    invalidate();
}

void UIBoxLayout::insertSpacer(int index, qreal size, int stretch)
{
    m_spacers.push_back(std::make_unique<SpacerItem>(std::max<qreal>(0, size), stretch > 0));
    insertItem(index, m_spacers.back().get(), stretch, {});
}

bool UIBoxLayout::removeItem(QGraphicsLayoutItem *item)
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).item == item) {
            removeAt(i);
            return true;
        }
    }
    return false;
}

int UIBoxLayout::count() const
{
    return int(m_entries.size());
}

QGraphicsLayoutItem *UIBoxLayout::itemAt(int index) const
{
    return index >= 0 && index < m_entries.size() ? m_entries.at(index).item : nullptr;
}

void UIBoxLayout::removeAt(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    QGraphicsLayoutItem *item = m_entries.takeAt(index).item;
    item->setParentLayoutItem(nullptr);
    const auto spacer = std::find_if(m_spacers.begin(), m_spacers.end(),
                                     [item](const auto &owned) { return owned.get() == item; });
    if (spacer != m_spacers.end())
        m_spacers.erase(spacer);
    invalidate();
}

void UIBoxLayout::getContentsMargins(qreal *left, qreal *top, qreal *right, qreal *bottom) const
{
    if (left)
        *left = m_margins.left();
    if (top)
        *top = m_margins.top();
    if (right)
        *right = m_margins.right();
    if (bottom)
        *bottom = m_margins.bottom();
}

qreal UIBoxLayout::_main(const QSizeF &size) const
{
    return m_mode == Row ? size.width() : size.height();
}

qreal UIBoxLayout::_cross(const QSizeF &size) const
{
    return m_mode == Row ? size.height() : size.width();
}

bool UIBoxLayout::_isSpacer(const QGraphicsLayoutItem *item) const
{
    return std::any_of(m_spacers.begin(), m_spacers.end(),
                       [item](const auto &owned) { return owned.get() == item; });
}

bool UIBoxLayout::_grows(const Entry &entry) const
{
    if (entry.stretch > 0)
        return true;
    const QSizePolicy policy = entry.item->sizePolicy();
    const QSizePolicy::Policy along =
        m_mode == Row ? policy.horizontalPolicy() : policy.verticalPolicy();
    return along & QSizePolicy::ExpandFlag;
}

QSizeF UIBoxLayout::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    const qreal marginsWidth = m_margins.left() + m_margins.right();
    const qreal marginsHeight = m_margins.top() + m_margins.bottom();
    if (m_mode == Free) {
        // Children place themselves; the control asks for what they cover.
        if (which == Qt::MaximumSize)
            return QSizeF(Unbounded, Unbounded);
        if (which == Qt::MinimumSize)
            return QSizeF(0, 0);
        QSizeF covered(0, 0);
        for (const Entry &entry : m_entries) {
            const QRectF rect = entry.item->geometry();
            covered = covered.expandedTo(QSizeF(rect.right(), rect.bottom()));
        }
        return covered;
    }
    qreal main = 0;
    qreal cross = 0;
    bool growsAlong = false;
    for (const Entry &entry : m_entries) {
        const QSizeF hint = entry.item->effectiveSizeHint(which, constraint);
        main += _main(hint);
        // Empty space takes room only along the line: a spacer in a row does not make it tall.
        if (!_isSpacer(entry.item))
            cross = std::max(cross, _cross(hint));
        growsAlong = growsAlong || _grows(entry);
    }
    if (m_entries.size() > 1)
        main += m_spacing * (m_entries.size() - 1);
    if (which == Qt::MaximumSize) {
        // A row or column of fixed children is still happy to be given more room: the extra
        // space is placed by the content alignment.
        main = Unbounded;
        cross = Unbounded;
    }
    Q_UNUSED(growsAlong)
    QSizeF result = m_mode == Row ? QSizeF(main, cross) : QSizeF(cross, main);
    return QSizeF(std::min(Unbounded, result.width() + marginsWidth),
                  std::min(Unbounded, result.height() + marginsHeight));
}

void UIBoxLayout::setGeometry(const QRectF &rect)
{
    QGraphicsLayout::setGeometry(rect);
    if (m_mode == Free)
        return;
    _layoutLine(rect.marginsRemoved(m_margins));
}

void UIBoxLayout::_layoutLine(const QRectF &area)
{
    const int n = int(m_entries.size());
    if (n == 0)
        return;
    const qreal available = std::max<qreal>(0, _main(area.size()) - m_spacing * (n - 1));

    QVarLengthArray<qreal, 16> sizes(n);
    QVarLengthArray<qreal, 16> minimums(n);
    QVarLengthArray<qreal, 16> maximums(n);
    qreal total = 0;
    for (int i = 0; i < n; ++i) {
        const QGraphicsLayoutItem *item = m_entries.at(i).item;
        sizes[i] = _main(item->effectiveSizeHint(Qt::PreferredSize));
        minimums[i] = _main(item->effectiveSizeHint(Qt::MinimumSize));
        maximums[i] = _main(item->effectiveSizeHint(Qt::MaximumSize));
        total += sizes[i];
    }

    if (total > available) {
        // Too little room: shrink what can shrink, in proportion to how much it can give.
        qreal shrinkable = 0;
        for (int i = 0; i < n; ++i)
            shrinkable += sizes[i] - minimums[i];
        const qreal shortfall = total - available;
        if (shrinkable > 0) {
            const qreal ratio = std::min<qreal>(1, shortfall / shrinkable);
            for (int i = 0; i < n; ++i)
                sizes[i] -= (sizes[i] - minimums[i]) * ratio;
        }
    } else {
        // Spare room goes to the children that grow, by stretch (1 for expanding ones), each up
        // to its maximum; a child that reaches its maximum gives its share back.
        qreal spare = available - total;
        for (int round = 0; round < n && spare > 0.01; ++round) {
            qreal weights = 0;
            for (int i = 0; i < n; ++i) {
                if (_grows(m_entries.at(i)) && sizes[i] < maximums[i])
                    weights += std::max(1, m_entries.at(i).stretch);
            }
            if (weights == 0)
                break;
            qreal given = 0;
            for (int i = 0; i < n; ++i) {
                if (!_grows(m_entries.at(i)) || sizes[i] >= maximums[i])
                    continue;
                const qreal share = spare * std::max(1, m_entries.at(i).stretch) / weights;
                const qreal grown = std::min(maximums[i], sizes[i] + share);
                given += grown - sizes[i];
                sizes[i] = grown;
            }
            spare -= given;
        }
    }

    qreal used = 0;
    for (int i = 0; i < n; ++i)
        used += sizes[i];
    const qreal leftOver = std::max<qreal>(0, available - used);
    const Qt::Alignment mainAlignment =
        m_alignment & (m_mode == Row ? Qt::AlignHorizontal_Mask : Qt::AlignVertical_Mask);
    qreal position = _main(QSizeF(area.left(), area.top()));
    if (mainAlignment & (Qt::AlignHCenter | Qt::AlignVCenter))
        position += leftOver / 2;
    else if (mainAlignment & (Qt::AlignRight | Qt::AlignBottom))
        position += leftOver;

    const qreal crossStart = m_mode == Row ? area.top() : area.left();
    const qreal crossAvailable = _cross(area.size());
    for (int i = 0; i < n; ++i) {
        const Entry &entry = m_entries.at(i);
        const qreal preferredCross = _cross(entry.item->effectiveSizeHint(Qt::PreferredSize));
        const qreal maximumCross = _cross(entry.item->effectiveSizeHint(Qt::MaximumSize));
        const QSizePolicy policy = entry.item->sizePolicy();
        const QSizePolicy::Policy across =
            m_mode == Row ? policy.verticalPolicy() : policy.horizontalPolicy();
        // Across the line a child fills the room when its policy lets it grow, within its
        // maximum; otherwise it keeps its preferred size.
        qreal crossSize = (across & QSizePolicy::GrowFlag)
                              ? std::min(maximumCross, crossAvailable)
                              : std::min(preferredCross, crossAvailable);
        crossSize = std::max<qreal>(0, crossSize);

        Qt::Alignment alignment = entry.alignment ? entry.alignment : m_alignment;
        alignment &= m_mode == Row ? Qt::AlignVertical_Mask : Qt::AlignHorizontal_Mask;
        if (!alignment)
            alignment = m_mode == Row ? Qt::AlignVCenter : Qt::AlignLeft;
        qreal crossPosition = crossStart;
        if (alignment & (Qt::AlignVCenter | Qt::AlignHCenter))
            crossPosition += (crossAvailable - crossSize) / 2;
        else if (alignment & (Qt::AlignBottom | Qt::AlignRight))
            crossPosition += crossAvailable - crossSize;

        const qreal mainSize = sizes[i];
        const QRectF geometry = m_mode == Row
                                    ? QRectF(position, crossPosition, mainSize, crossSize)
                                    : QRectF(crossPosition, position, crossSize, mainSize);
        entry.item->setGeometry(geometry);
        position += mainSize + m_spacing;
    }
}
