// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarysource.h"
#include "sqliterecords.h"

DiarySource DiarySource::open(const SchoolConfig &config, SqliteRecords &local)
{
    DiarySource source;
    QString note;
    if (config.hasServer()) {
        source.server = std::make_unique<SchoolServer>(config.service, limits);
        const SchoolCheck check = source.server->check();
        if (check.mayReadClass || check.mayReadOwn) {
            const QString place = check.mayReadClass
                                      ? QStringLiteral("Школьный сервер «%1»: весь класс")
                                      : QStringLiteral("Школьный сервер «%1»: мои раунды");
            source.serverRecords =
                std::make_unique<ServerRecords>(*source.server, place.arg(config.service));
        } else if (check.ok) {
            note = QStringLiteral("раунды этой учётной записи уходят на школьный сервер, а "
                                  "смотреть их там может только учитель");
        } else {
            note = QStringLiteral("школьный сервер сейчас не отвечает");
        }
    }
    source.records = std::make_unique<FallbackRecords>(source.serverRecords.get(), local,
                                                       config.hasServer(), note);
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
