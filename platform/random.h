// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/**
 * A seedable source of uniform random numbers.
 */
class Random
{
public:
    virtual ~Random() = default;
    /** Starts a new sequence that depends only on the seed. */
    virtual void seed(float seed) = 0;
    /** The next number of the sequence, uniform in [0, 1). */
    virtual float next() = 0;
};
