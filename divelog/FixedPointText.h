#pragma once

// Fixed-point decimal text of a double, character for character what
// QString::number(value, 'f', decimals) gives, written into a caller's buffer
// without allocating. A UDDF export formats about a hundred thousand numbers;
// going through QString::number for each costs more than the XML around them.
class FixedPointText
{
public:
    static constexpr int MaxDecimals = 6;
    // Large enough for any text Format writes.
    static constexpr int BufferSize = 32;

    // Writes the text into `buffer` (BufferSize chars, not terminated) and
    // returns its length. Returns -1 for what it leaves to QString::number:
    // NaN, infinities, magnitudes of 1e12 and above, more than MaxDecimals
    // decimals, and negative values that round to zero.
    static int Format(double value, int decimals, char *buffer);
};
