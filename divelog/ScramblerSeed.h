#pragma once

#include <QtGlobal>
#include <array>

// The scrambler seed. Status logs, log-file containers and downloaded handset
// memories interchange only between programs and devices that use the same
// value, so it must never change once files exist in the field.
namespace ScramblerSeed {
inline constexpr std::array<quint8, 16> Value = {
    0x5A, 0xC3, 0x17, 0x8E, 0x29, 0xF4, 0x61, 0xB0,
    0x3D, 0x92, 0x4E, 0xA7, 0x06, 0xDB, 0x75, 0x1C,
};
}
