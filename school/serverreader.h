// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "diaryround.h"

#include <QList>
#include <QUuid>

#include <optional>

class SchoolServer;

// The class on the school's server, as the teacher's role may read it: every machine's rounds,
// every account's children, each read under the server's deadline. It blocks while it reads:
// a window reads it on a thread of its own (ServerRecords). None, with the server's failure()
// set, when it cannot be read.
class ServerReader
{
public:
    explicit ServerReader(SchoolServer &server) : m_server(server) {}

    std::optional<QList<Child>> children();
    std::optional<QList<ClassRow>> classRows(const QDateTime &now);
    std::optional<QList<DiaryRound>> rounds(const Child &child);
    std::optional<QList<TargetRecord>> targets(const QUuid &round);

private:
    SchoolServer &m_server;
};
