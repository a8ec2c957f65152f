#include "FontInfoConfig.h"

FontInfoConfig::FontInfoConfig() = default;

FontInfoConfig::~FontInfoConfig() = default;

void FontInfoConfig::setFont(const QFont &font)
{
    m_font = font;
    m_font.setStrikeOut(false);
}
