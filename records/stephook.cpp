// SPDX-License-Identifier: GPL-3.0-or-later
#include "stephook.h"

namespace stephook {

namespace {
Hook s_hook = nullptr;
} // namespace

void set(Hook hook) { s_hook = hook; }

void reached(const char *step)
{
    if (s_hook)
        s_hook(step);
}

} // namespace stephook
