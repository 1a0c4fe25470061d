#include "FixedPointText.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {
constexpr std::uint64_t PowersOfTen[FixedPointText::MaxDecimals + 1] = {1, 10, 100, 1000, 10000, 100000, 1000000};
// Keeps the integer part and the scaled value well inside 64 bits.
constexpr double Limit = 1e12;

// The digits of scaled / 10^Decimals. One function per number of decimals:
// a division by a constant is a multiplication, by a variable it is not.
template <int Decimals>
int WriteDigits(std::uint64_t scaled, bool negative, char *buffer)
{
    constexpr std::uint64_t Scale = PowersOfTen[Decimals];
    char digits[FixedPointText::BufferSize];
    int count = 0;
    std::uint64_t whole = scaled / Scale;
    std::uint64_t fractional = scaled % Scale;
    for (int i = 0; i < Decimals; ++i) {
        digits[count++] = char('0' + fractional % 10);
        fractional /= 10;
    }
    if (Decimals > 0)
        digits[count++] = '.';
    do {
        digits[count++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (negative)
        digits[count++] = '-';
    for (int i = 0; i < count; ++i)
        buffer[i] = digits[count - 1 - i];
    return count;
}

using DigitWriter = int (*)(std::uint64_t, bool, char *);
constexpr DigitWriter DigitWriters[FixedPointText::MaxDecimals + 1] = {
    WriteDigits<0>, WriteDigits<1>, WriteDigits<2>, WriteDigits<3>, WriteDigits<4>, WriteDigits<5>, WriteDigits<6>};
} // namespace

int FixedPointText::Format(double value, int decimals, char *buffer)
{
    if (decimals < 0 || decimals > MaxDecimals || !std::isfinite(value))
        return -1;
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);
    if (magnitude >= Limit)
        return -1;

    // magnitude = mantissa * 2^exponent exactly. Rounding the exact binary
    // value, with halves away from zero, is what Qt's conversion does; scaling
    // the double by 10^decimals first would round twice.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    const int biasedExponent = int(bits >> 52) & 0x7FF;
    std::uint64_t mantissa = bits & ((std::uint64_t(1) << 52) - 1);
    int exponent = -1074; // zero and subnormals
    if (biasedExponent != 0) {
        mantissa |= std::uint64_t(1) << 52;
        exponent = biasedExponent - 1075;
    }
    const std::uint64_t scale = PowersOfTen[decimals];
    std::uint64_t scaled = 0;
    if (exponent >= 0) {
        scaled = (mantissa << exponent) * scale; // an integer below 1e12
    } else {
        const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * scale;
        const int shift = -exponent;
        if (shift < 128) {
            scaled = std::uint64_t(product >> shift);
            if ((product >> (shift - 1)) & 1)
                ++scaled;
        }
    }
    if (negative && scaled == 0)
        return -1; // Qt's choice between "-0.0" and "0.0" stays Qt's

    return DigitWriters[decimals](scaled, negative, buffer);
}
