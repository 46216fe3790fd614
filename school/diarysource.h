// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fallbackrecords.h"
#include "schoolconfig.h"
#include "schoolserver.h"
#include "serverrecords.h"

#include <QTimer>

#include <memory>

class SqliteRecords;

// What the diary window shows: the class on the school's server when this account's role may
// read it (a teacher's: the whole class; a pupil's who logs in as themselves: their own), and
// otherwise this computer's diary, with the reason when there is a server. It opens at once on
// this computer's diary; the server is asked meanwhile, on a thread of its own.
struct DiarySource
{
    std::unique_ptr<ServerRecords> serverRecords;
    std::unique_ptr<FallbackRecords> records;
    // Other machines' rounds arrive on the server unannounced: the window reads it again now
    // and then.
    std::unique_ptr<QTimer> refresh;
    static constexpr int refreshMs = 60000;

    // Each exchange with the server ends within the deadline of these, also when it hangs.
    static constexpr SchoolLimits limits{.connectS = 2, .statementMs = 5000};

    static DiarySource open(const SchoolConfig &config, SqliteRecords &local);
};
