// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Points between the steps of keeping a round where a test may stop the program, to make a race
// with another process happen every time. The game never sets a hook.
namespace stephook {

using Hook = void (*)(const char *step);
void set(Hook hook);
// "schema-read": inside the writing transaction that may create the diary, before it does.
// "round-committed": a round is in the diary and still in the outbox.
void reached(const char *step);

} // namespace stephook
