#pragma once

#include "FrameSize.h"

#include <QSize>

#include <cstdint>
#include <optional>

// A frame the host pushed (game or camera), checked once where it enters the engine: 32-bit
// pixels, top row first, rows of 4 x width bytes one after the other, and a length that covers
// every row. The bytes stay the host's and are valid only during its push: the value is handed
// down the calls of that push and never kept.
class PushedFrame
{
public:
    enum class Problem {
        None,
        NoData,   // a null pointer
        BadSize,  // a side below 1 or above FrameSize::MaxSide
        TooShort, // fewer bytes than width x height pixels
    };

    // The frame, or nothing and why not.
    static std::optional<PushedFrame> check(const char *data, unsigned int length, int width,
                                            int height, unsigned long stamp,
                                            Problem *problem = nullptr)
    {
        Problem found = Problem::None;
        if (!data)
            found = Problem::NoData;
        else if (!FrameSize::isComposable(width, height))
            found = Problem::BadSize;
        else if (!FrameSize::holdsRgb32Frame(length, width, height))
            found = Problem::TooShort;
        if (problem)
            *problem = found;
        if (found != Problem::None)
            return std::nullopt;
        return PushedFrame(reinterpret_cast<const std::uint8_t *>(data), length, width, height,
                           stamp);
    }

    const std::uint8_t *bits() const { return m_bits; }
    const std::uint32_t *row(int y) const
    {
        return reinterpret_cast<const std::uint32_t *>(m_bits + std::ptrdiff_t(y) * stride());
    }
    unsigned int length() const { return m_length; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    QSize size() const { return QSize(m_width, m_height); }
    int stride() const { return m_width * 4; }
    unsigned long stamp() const { return m_stamp; }
    // No bytes beyond the last row: the length is exactly width x height pixels.
    bool isExact() const
    {
        return std::int64_t(m_length) == FrameSize::rgb32Bytes(m_width, m_height);
    }

private:
    PushedFrame(const std::uint8_t *bits, unsigned int length, int width, int height,
                unsigned long stamp)
        : m_bits(bits)
        , m_length(length)
        , m_width(width)
        , m_height(height)
        , m_stamp(stamp)
    {}

    const std::uint8_t *m_bits;
    unsigned int m_length;
    int m_width;
    int m_height;
    unsigned long m_stamp;
};
