#pragma once

#include <QColor>
#include <QFont>
#include <QMetaType>

// Font and colour of a text layer, as the text item, its editor and the compositing layer
// exchange them.
class FontInfoConfig
{
public:
    FontInfoConfig();
    virtual ~FontInfoConfig();

    FontInfoConfig(const FontInfoConfig &) = default;
    FontInfoConfig &operator=(const FontInfoConfig &) = default;

    QFont &font() { return m_font; }
    const QFont &font() const { return m_font; }
    // Strike-out is not a style we offer, so it never survives into a stored font.
    void setFont(const QFont &font);

    QColor &color() { return m_color; }
    const QColor &color() const { return m_color; }
    void setColor(const QColor &color) { m_color = color; }

    // The same style: font and colour.
    bool operator==(const FontInfoConfig &other) const
    {
        return m_font == other.m_font && m_color == other.m_color;
    }
    bool operator!=(const FontInfoConfig &other) const { return !(*this == other); }

private:
    QFont m_font;
    QColor m_color;
};

Q_DECLARE_METATYPE(FontInfoConfig)
