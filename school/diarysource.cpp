// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarysource.h"
#include "sqliterecords.h"

DiarySource DiarySource::open(const SchoolConfig &config, SqliteRecords &local)
{
    DiarySource source;
    if (config.hasServer())
        source.serverRecords = std::make_unique<ServerRecords>(config.service, limits);
    source.records =
        std::make_unique<FallbackRecords>(source.serverRecords.get(), local, config.hasServer());
    source.records->setConfigFault(config.faultNote());
    if (source.serverRecords) {
        source.refresh = std::make_unique<QTimer>();
        source.refresh->setInterval(refreshMs);
        Records *records = source.records.get();
        QObject::connect(source.refresh.get(), &QTimer::timeout, records,
                         [records] { emit records->changed(); });
        source.refresh->start();
    }
    return source;
}
