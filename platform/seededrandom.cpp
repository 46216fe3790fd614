// SPDX-License-Identifier: GPL-3.0-or-later
#include "seededrandom.h"

#include <bit>
#include <cstdint>

void SeededRandom::seed(float seed)
{
    // Every bit of the seed counts, the fraction of the second included.
    m_engine.seed(std::bit_cast<std::uint32_t>(seed));
}

float SeededRandom::next()
{
    // The top 24 bits fill a float's mantissa exactly, so the result is never rounded up to 1.
    return float(m_engine() >> 8) * (1.0f / 16777216.0f);
}
