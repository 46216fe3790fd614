// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "random.h"

#include <random>

// A Mersenne Twister whose sequence depends only on the seed given.
class SeededRandom : public Random
{
public:
    void seed(float seed) override;
    float next() override;

private:
    std::mt19937 m_engine;
};
