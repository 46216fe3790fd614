// SPDX-License-Identifier: GPL-3.0-or-later
#include "fallbackrecords.h"
#include "sqliterecords.h"

FallbackRecords::FallbackRecords(Records *server, SqliteRecords &local, bool sendsToSchool,
                                 const QString &note, QObject *parent)
    : Records(parent), m_server(server), m_local(local), m_sendsToSchool(sendsToSchool),
      m_note(note)
{
    connect(&m_local, &Records::changed, this, &Records::changed);
}

Records &FallbackRecords::current()
{
    const bool serverDown = m_sinceFailure.isValid() && m_sinceFailure.elapsed() < retryAfterMs;
    return m_server && !serverDown ? *m_server : static_cast<Records &>(m_local);
}

template <typename Read>
auto FallbackRecords::read(Read read) -> decltype(read(std::declval<Records &>()))
{
    Records &records = current();
    auto result = read(records);
    if (&records == m_server) {
        if (result) {
            m_sinceFailure.invalidate();
            m_serverProblem.clear();
            return result;
        }
        m_serverProblem = m_server->problem();
        m_sinceFailure.start();
        result = read(m_local);
    }
    return result;
}

std::optional<QList<Child>> FallbackRecords::children()
{
    return read([](Records &r) { return r.children(); });
}

std::optional<QList<ClassRow>> FallbackRecords::classRows(const QDateTime &now)
{
    return read([&](Records &r) { return r.classRows(now); });
}

std::optional<QList<DiaryRound>> FallbackRecords::rounds(const Child &child)
{
    return read([&](Records &r) { return r.rounds(child); });
}

QList<TargetRecord> FallbackRecords::targets(qint64 roundId) { return current().targets(roundId); }
// With a school's server, what it has not got yet is never cleared away from it: on a shared
// account a pupil could otherwise wipe a classmate's rounds before the teacher has them.
SqliteRecords::Unsent FallbackRecords::unsent() const
{
    return m_sendsToSchool ? SqliteRecords::Unsent::Keep : SqliteRecords::Unsent::Delete;
}

bool FallbackRecords::clear(const Child &child)
{
    Records &records = current();
    return &records == &m_local ? m_local.clear(child, unsent()) : records.clear(child);
}

QString FallbackRecords::addChild(const QString &name) { return current().addChild(name); }

QString FallbackRecords::renameChild(const Child &child, const QString &name)
{
    return current().renameChild(child, name);
}

QString FallbackRecords::removeChild(const Child &child)
{
    Records &records = current();
    return &records == &m_local ? m_local.removeChild(child, unsent()) : records.removeChild(child);
}
Child FallbackRecords::player() const { return m_local.player(); }
void FallbackRecords::setPlayer(const Child &child) { m_local.setPlayer(child); }
bool FallbackRecords::isRecording() const { return m_local.isRecording(); }
void FallbackRecords::setRecording(bool on) { m_local.setRecording(on); }
QString FallbackRecords::recordingLock() const { return m_local.recordingLock(); }

QString FallbackRecords::place() const
{
    if (m_server && m_serverProblem.isEmpty())
        return m_server->place();
    return m_note.isEmpty() ? m_local.place()
                            : QStringLiteral("%1 (%2)").arg(m_local.place(), m_note);
}

bool FallbackRecords::manyAccounts() const
{
    return m_server && m_serverProblem.isEmpty() && m_server->manyAccounts();
}

std::optional<int> FallbackRecords::waitingForSchool()
{
    return m_sendsToSchool ? m_local.unsentCount() : std::nullopt;
}

QString FallbackRecords::problem() const
{
    const QString problem =
        m_serverProblem.isEmpty()
            ? m_local.problem()
            : QStringLiteral("%1. Показан дневник этого компьютера.").arg(m_serverProblem);
    if (m_configFault.isEmpty() || problem.isEmpty())
        return problem + m_configFault;
    return problem + u'\n' + m_configFault;
}
