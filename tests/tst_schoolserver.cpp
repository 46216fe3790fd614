// SPDX-License-Identifier: GPL-3.0-or-later
// The school's server against a private PostgreSQL the test starts. Logins: pupils as themselves
// (ivan, petya), a shared account (class3b), a teacher, and one in no group (stranger).
#include "pgcluster.h"
#include "pgrelay.h"
#include "schoolconfig.h"
#include "schoolserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <csignal>

#include <sys/stat.h>

namespace {

const QString sqlDir = QStringLiteral(KVADRILKA_SQL_DIR);
const QStringList logins{"ivan", "petya", "class3b", "teacher", "stranger"};

// Every tenth target missed, the others hit; fields all set, so that each is seen to arrive.
ChildRound childRound(const QString &account, const QString &name, int minute)
{
    RoundRecord record;
    record.started = QDateTime(QDate(2026, 12, 7), QTime(10, minute, 5, 250), QTimeZone(10800));
    record.level = 3;
    record.rightButton = true;
    record.score = 27;
    record.grade = "Оценка: 4";
    record.uuid = QUuid::createUuid();
    for (int number = 1; number <= 30; ++number) {
        const bool hit = number % 10 != 0;
        record.targets.append(
            {number, 3000 + 800 * number, hit ? 400 + number : -1,
             hit ? QList<Penalty>() : QList{Penalty::Miss, Penalty::RightWhileLeft}, hit ? 0 : 2,
             120.5, 24, QPointF(10, 20), QPointF(100, 200),
             hit ? std::optional(QPointF(1.5, -2)) : std::nullopt, hit ? 150 : -1});
    }
    return {{account, name}, record};
}

// One query as a login, its rows as "a|b" lines, or "error <SQLSTATE>".
QString ask(const QString &service, const QString &sql)
{
    static int s_count = 0;
    const QString name = QString("ask-%1").arg(++s_count);
    QString answer;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name);
        db.setConnectOptions("service=" + service);
        QSqlQuery query(db);
        if (!db.open()) {
            answer = "cannot connect: " + db.lastError().text();
        } else if (!query.exec(sql)) {
            answer = "error " + query.lastError().nativeErrorCode();
        } else {
            QStringList rows;
            while (query.next()) {
                QStringList values;
                for (int i = 0; i < query.record().count(); ++i)
                    values << (query.isNull(i) ? "NULL" : query.value(i).toString());
                rows << values.join('|');
            }
            answer = rows.join('\n');
        }
    }
    QSqlDatabase::removeDatabase(name);
    return answer;
}

} // namespace

class tst_SchoolServer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void roundsArriveOnceEach();
    void rolesDecideWhoReadsAndWrites();
    void stepToVersionTwoKeepsRows();
    void slowStatementIsEnded_data();
    void slowStatementIsEnded();
    void silentServerIsGivenUpInTime();
    void hungServerIsGivenUpInTime();
    void checkTellsRoleAndRights_data();
    void checkTellsRoleAndRights();

private:
    void writeServices(int silentPort = 0, int hungPort = 0);

    Cluster m_cluster;
    QString m_database;
    int m_databases = 0;
};

void tst_SchoolServer::writeServices(int silentPort, int hungPort)
{
    QFile file(m_cluster.path("pg_service.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QString text;
    for (const QString &login : logins + QStringList{"postgres", "secret"})
        text += QString("[%1]\nhost=%2\ndbname=%3\nuser=%1\n\n")
                    .arg(login, m_cluster.socket(), m_database);
    text += QString("[bare]\nhost=%1\ndbname=postgres\nuser=teacher\n\n").arg(m_cluster.socket());
    text += QString("[silent]\nhost=127.0.0.1\nport=%1\ndbname=kvadrilka\nuser=ivan\n\n")
                .arg(silentPort);
    text += QString("[hung]\nhost=127.0.0.1\nport=%1\ndbname=%2\nuser=ivan\nsslmode=disable\n"
                    "gssencmode=disable\n")
                .arg(hungPort)
                .arg(m_database);
    file.write(text.toUtf8());
}

void tst_SchoolServer::initTestCase()
{
    const QString error = m_cluster.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    qputenv("PGSERVICEFILE", QFile::encodeName(m_cluster.path("pg_service.conf")));
    // The group roles come with the schema; the logins are the admin's.
    QCOMPARE(m_cluster.psql("postgres", "CREATE DATABASE roles"), QString());
    QCOMPARE(m_cluster.psql("roles", sqlDir + "/school-1.sql", true), QString());
    QCOMPARE(m_cluster.psql("roles", "CREATE ROLE ivan LOGIN IN ROLE kvadrilka_pupils, "
                                     "kvadrilka_own_rounds; "
                                     "CREATE ROLE petya LOGIN IN ROLE kvadrilka_pupils, "
                                     "kvadrilka_own_rounds; "
                                     "CREATE ROLE class3b LOGIN IN ROLE kvadrilka_pupils; "
                                     "CREATE ROLE teacher LOGIN IN ROLE kvadrilka_teachers; "
                                     "CREATE ROLE stranger LOGIN; "
                                     "CREATE ROLE secret LOGIN PASSWORD 'right' IN ROLE "
                                     "kvadrilka_pupils"),
             QString());
    // Only "secret" logs in with a password.
    QCOMPARE(m_cluster.psql("postgres", "COPY (SELECT unnest(ARRAY['local all secret "
                                        "scram-sha-256', 'local all all trust'])) TO '" +
                                            m_cluster.path("data/pg_hba.conf") +
                                            "'; SELECT pg_reload_conf()"),
             QString());
}

// Every test gets a database of its own at schema version 1.
void tst_SchoolServer::init()
{
    m_database = QString("class%1").arg(++m_databases);
    QCOMPARE(m_cluster.psql("postgres", "CREATE DATABASE " + m_database), QString());
    QCOMPARE(m_cluster.psql(m_database, sqlDir + "/school-1.sql", true), QString());
    writeServices();
}

void tst_SchoolServer::cleanupTestCase() { m_cluster.stop(); }

void tst_SchoolServer::roundsArriveOnceEach()
{
    // The driver warns when a failed transaction keeps it from freeing a statement.
    QTest::failOnWarning(QRegularExpression(".*"));
    QList<ChildRound> ivans{childRound("ivan", "Маша", 1), childRound("ivan", "Маша", 4),
                            childRound("ivan", "маша ", 2)};
    ivans[1].record.level = 9; // refused; the others still go
    const QList<ChildRound> petyas{childRound("petya", "Петя", 3)};
    for (int time = 0; time < 2; ++time) {
        SchoolServer ivan("ivan"), petya("petya");
        QCOMPARE(ivan.deliver(ivans), QList({ivans[0].record.uuid, ivans[2].record.uuid}));
        QVERIFY2(ivan.errorMessage().contains(ivans[1].record.uuid.toString(QUuid::WithoutBraces)),
                 qPrintable(ivan.errorMessage()));
        // Refused for good, with the reason; the others went.
        QCOMPARE(ivan.refused().size(), 1);
        QCOMPARE(ivan.refused().first().uuid, ivans[1].record.uuid);
        QVERIFY2(ivan.refused().first().reason.startsWith(
                     "the school's server refused the round's data (new row for relation "
                     "\"rounds\" violates check constraint \"rounds_level_check\"; SQLSTATE "
                     "23514)"),
                 qPrintable(ivan.refused().first().reason));
        QCOMPARE(petya.deliver(petyas), QList({petyas[0].record.uuid}));
        QCOMPARE(petya.errorMessage(), QString());
    }
    // One child for both spellings, kept as first written.
    QCOMPARE(ask("teacher", "SELECT account, name_key, name FROM children ORDER BY account"),
             QString("ivan|маша|Маша\npetya|петя|Петя"));
    QCOMPARE(ask("teacher", "SELECT count(*), count(DISTINCT uuid) FROM rounds"), QString("3|3"));
    QCOMPARE(ask("teacher", "SELECT count(*) FROM targets"), QString("90"));

    // Every field as the game wrote it.
    const QString uuid = petyas.first().record.uuid.toString(QUuid::WithoutBraces);
    QCOMPARE(ask("teacher",
                 "SELECT account, name_key, to_char(started AT TIME ZONE 'UTC', "
                 "'YYYY-MM-DD HH24:MI:SS.MS'), utc_offset_s, level, right_button, double_click, "
                 "ending, score, grade, median_hit_ms, misses, penalties, login FROM rounds "
                 "WHERE uuid = '" +
                     uuid + "'"),
             QString("petya|петя|2026-12-07 07:03:05.250|10800|3|true|false|0|27|Оценка: "
                     "4|415|6|6|petya"));
    QCOMPARE(ask("teacher", "SELECT position, number, shown_at_ms, hit_after_ms, penalties, "
                            "misses, distance, width, start_x, start_y, centre_x, centre_y, "
                            "click_x, click_y, moved_after_ms FROM targets WHERE round_uuid = '" +
                                uuid + "' AND position IN (0, 9) ORDER BY position"),
             QString("0|1|3800|401||0|120.5|24|10|20|100|200|1.5|-2|150\n"
                     "9|10|11000|-1|miss,right-for-left|2|120.5|24|10|20|100|200|NULL|NULL|"
                     "NULL"));
}

void tst_SchoolServer::rolesDecideWhoReadsAndWrites()
{
    SchoolServer ivan("ivan"), petya("petya"), shared("class3b");
    QCOMPARE(ivan.deliver({childRound("ivan", "Маша", 1)}).size(), 1);
    QCOMPARE(petya.deliver({childRound("petya", "Петя", 2)}).size(), 1);
    // A shared account's pupils still send.
    QCOMPARE(shared.deliver({childRound("class3b", "Оля", 3)}).size(), 1);
    const QString denied = "error 42501", insert =
                                              "INSERT INTO rounds SELECT gen_random_uuid(), "
                                              "'%1', '%2', now(), 0, 1, false, false, 0, 0, ''";
    const struct
    {
        QString login, sql, answer;
    } cases[]{{"ivan", "SELECT DISTINCT account FROM rounds", "ivan"}, // only one's own
              {"petya", "SELECT count(*) FROM targets", "30"},
              {"ivan", "SELECT name FROM children", "Маша"},
              {"petya", "SELECT count(*) FROM rounds WHERE account = 'ivan'", "0"},
              {"class3b", "SELECT count(*) FROM rounds", denied},
              {"ivan", "UPDATE rounds SET score = 30", denied},
              {"ivan", "DELETE FROM targets", denied},
              {"petya", insert.arg("petya", "петя") + ", NULL, 0, 0, NULL, NULL, 'ivan'", denied},
              {"petya", insert.arg("ivan", "маша"), denied},
              {"teacher", "SELECT account FROM rounds ORDER BY account", "class3b\nivan\npetya"},
              {"teacher", "DELETE FROM rounds", denied},
              {"stranger", "SELECT count(*) FROM children", denied}};
    for (const auto &[login, sql, answer] : cases) {
        const QString got = ask(login, sql);
        QVERIFY2(got == answer, qPrintable(login + ": " + sql + " -> " + got));
    }
    QCOMPARE(ask("postgres", "SELECT count(*), sum(score) FROM rounds"), QString("3|81"));
}

void tst_SchoolServer::stepToVersionTwoKeepsRows()
{
    SchoolServer ivan("ivan");
    QCOMPARE(ivan.deliver({childRound("ivan", "Маша", 1), childRound("ivan", "Вася", 2)}).size(),
             2);
    QCOMPARE(m_cluster.psql(m_database, sqlDir + "/school-1-to-2.sql", true), QString());
    QCOMPARE(ask("postgres", "SELECT version FROM schema_version"), QString("2"));
    QCOMPARE(ask("teacher", "SELECT count(*) FROM rounds"), QString("2"));
    QCOMPARE(ask("teacher", "SELECT count(*) FROM targets"), QString("60"));
    QCOMPARE(ask("postgres", "SELECT indexname FROM pg_indexes WHERE tablename = 'rounds' "
                             "AND indexname LIKE 'rounds_by%' ORDER BY 1"),
             QString("rounds_by_child\nrounds_by_started"));
    // The step refuses a database it has already brought forward, and changes nothing.
    QVERIFY(!m_cluster.psql(m_database, sqlDir + "/school-1-to-2.sql", true).isEmpty());
    QCOMPARE(ask("postgres", "SELECT version FROM schema_version"), QString("2"));
    QCOMPARE(ivan.deliver({childRound("ivan", "Маша", 3)}).size(), 1);
}

void tst_SchoolServer::slowStatementIsEnded_data()
{
    QTest::addColumn<bool>("locked"); // the table locked by another session, or a slow trigger
    QTest::newRow("a slow trigger") << false;
    QTest::newRow("a locked table") << true;
}

// The server ends the statement; the reason says so, not what a statement never prepared makes
// the server answer.
void tst_SchoolServer::slowStatementIsEnded()
{
    QFETCH(bool, locked);
    QSqlDatabase owner = QSqlDatabase::addDatabase("QPSQL", "owner");
    const auto drop = qScopeGuard([&owner] {
        owner.close();
        owner = QSqlDatabase();
        QSqlDatabase::removeDatabase("owner");
    });
    owner.setConnectOptions("service=postgres");
    QVERIFY(owner.open());
    QSqlQuery lock(owner);
    if (locked)
        QVERIFY(owner.transaction() && lock.exec("LOCK TABLE rounds"));
    else
        QCOMPARE(m_cluster.psql(m_database,
                                "CREATE FUNCTION stall() RETURNS trigger LANGUAGE plpgsql AS "
                                "$$ BEGIN PERFORM pg_sleep(60); RETURN NEW; END $$; "
                                "CREATE TRIGGER stall BEFORE INSERT ON rounds FOR EACH ROW "
                                "EXECUTE FUNCTION stall()"),
                 QString());
    SchoolServer ivan("ivan", {.statementMs = 500});
    QElapsedTimer waited;
    waited.start();
    QCOMPARE(ivan.deliver({childRound("ivan", "Маша", 1)}), QList<QUuid>());
    QCOMPARE_LT(waited.elapsed(), 10000);
    QCOMPARE(ivan.failure().reason, SchoolReason::SlowStatement);
    const QString expected = "round .* not sent: the school's server took longer than 1 s over a "
                             "statement and ended it \\(a table may be locked, or the server is "
                             "overloaded\\) \\(.*statement timeout.*\\)";
    QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(expected))
                 .match(ivan.errorMessage())
                 .hasMatch(),
             qPrintable(ivan.errorMessage()));
    if (locked)
        owner.rollback();
    QCOMPARE(ask("postgres", "SELECT count(*) FROM children"), QString("0"));
}

void tst_SchoolServer::silentServerIsGivenUpInTime()
{
    // Connections are taken by the system and never read from.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    writeServices(silent.serverPort());
    SchoolServer server("silent", {.connectS = 2});
    QElapsedTimer waited;
    waited.start();
    QCOMPARE(server.deliver({childRound("ivan", "Маша", 1)}), QList<QUuid>());
    QCOMPARE_LE(waited.elapsed(), 5000);
    QVERIFY2(server.errorMessage().contains("timeout"), qPrintable(server.errorMessage()));
    waited.restart();
    QVERIFY(!server.check().ok);
    QCOMPARE_LE(waited.elapsed(), 5000);
}

// A server that lets the log-in through and then answers nothing (a frozen backend, a dead
// link), and a backend stopped in the middle of a connection: given up at the client's own
// deadline, and the round arrives once the server answers again.
void tst_SchoolServer::hungServerIsGivenUpInTime()
{
    PgRelay relay(m_cluster.socket());
    const int port = relay.listen();
    QVERIFY(port > 0);
    writeServices(0, port);
    const SchoolLimits limits{.statementMs = 1000, .answerMs = 2000};
    const QString noAnswer = "the school's server did not answer within 2 s";
    SchoolServer server("hung", limits);
    QElapsedTimer waited;
    waited.start();
    QCOMPARE(server.deliver({childRound("ivan", "Маша", 1)}), QList<QUuid>());
    qInfo("delivery to a server hung after the log-in given up after %lld ms", waited.elapsed());
    QCOMPARE_LT(waited.elapsed(), 4000);
    QCOMPARE(server.failure().reason, SchoolReason::NoAnswer);
    QCOMPARE(server.errorMessage(), noAnswer);
    waited.restart();
    const SchoolCheck check = server.check();
    QCOMPARE_LT(waited.elapsed(), 4000);
    QCOMPARE(check.lines.first(), "School server: does not answer: " + noAnswer);
    QVERIFY(!check.ok);

    relay.hang(0);
    SchoolServer frozen("hung", limits);
    QVERIFY2(frozen.open(), qPrintable(frozen.errorMessage()));
    QSqlQuery backend(frozen.database());
    QVERIFY(backend.exec("SELECT pg_backend_pid()") && backend.next());
    const pid_t pid = backend.value(0).toInt();
    QVERIFY(::kill(pid, SIGSTOP) == 0);
    const auto thaw = qScopeGuard([pid] { ::kill(pid, SIGCONT); });
    waited.restart();
    QCOMPARE(frozen.deliver({childRound("ivan", "Маша", 2)}), QList<QUuid>());
    qInfo("delivery to a stopped backend given up after %lld ms", waited.elapsed());
    QCOMPARE_LT(waited.elapsed(), 4000);
    QCOMPARE(frozen.errorMessage(), noAnswer);

    const ChildRound round = childRound("ivan", "Маша", 3);
    QCOMPARE(server.deliver({round}), QList({round.record.uuid}));
    QCOMPARE(ask("teacher", "SELECT count(*) FROM rounds"), QString("1"));
}

void tst_SchoolServer::checkTellsRoleAndRights_data()
{
    QTest::addColumn<QString>("service"); // null: no file
    QTest::addColumn<QString>("pgpass");  // its lines, null: no file
    QTest::addColumn<int>("pgpassMode");
    QTest::addColumn<QString>("first");  // a pattern
    QTest::addColumn<QString>("rights"); // role, may add rounds, may read the class
    const QString answers = "School server: answers \\(service \"%1\", PostgreSQL [0-9.]+[^,]*, "
                            "schema version 1\\)";
    const QString but = "School server: answers \\(service \"%1\", PostgreSQL .*\\), but ";
    const QString unknown = "unknown unknown unknown";
    const QString none;
    QTest::newRow("pupil") << "ivan" << none << 0 << answers.arg("ivan") << "ivan yes no";
    QTest::newRow("teacher") << "teacher" << none << 0 << answers.arg("teacher")
                             << "teacher no yes";
    QTest::newRow("password") << "secret"
                              << "*:*:*:secret:right" << 0600 << answers.arg("secret")
                              << "secret yes no";
    QTest::newRow("no group") << "stranger" << none << 0
                              << but.arg("stranger") + "the role is in none of the game's groups "
                                                       "\\(kvadrilka_pupils, kvadrilka_teachers\\)"
                              << "stranger no no";
    QTest::newRow("no tables") << "bare" << none << 0
                               << but.arg("bare") +
                                      "its database has no tables for the game: apply school-1.sql"
                               << "teacher no no";
    QTest::newRow("unknown service")
        << "nowhere" << none << 0
        << "School server: not found: there is no service \"nowhere\" in the pg_service.conf "
           "libpq reads \\(PGSERVICEFILE, else /etc/postgresql-common/\\) \\(definition of "
           "service \"nowhere\" not found\\)"
        << unknown;
    QTest::newRow("wrong password")
        << "secret"
        << "*:*:*:secret:wrong" << 0600
        << "School server: refuses the log-in: the school's server refused the log-in of the "
           "role \"secret\": the password in .*/pgpass is wrong \\(.*password authentication "
           "failed for user \"secret\".*\\)"
        << unknown;
    QTest::newRow("password file others may read")
        << "secret"
        << "*:*:*:secret:right" << 0644
        << "School server: refuses the log-in: the password in (.*/pgpass) is not used because "
           "others may read the file; make it the account's own: chmod 0600 \\1 \\(.*no "
           "password supplied\\)"
        << unknown;
    QTest::newRow("no password") << "secret" << none << 0
                                 << "School server: refuses the log-in: the school's server wants "
                                    "a password, and .*/pgpass has none for this server and role "
                                    "\\(.*no password supplied\\)"
                                 << unknown;
    QTest::newRow("no file") << QString() << none << 0
                             << "School server: not set up \\(no kvadrilka/kvadrilka.conf in "
                                "XDG_CONFIG_DIRS\\)"
                             << unknown;
}

// The built program, as an admin runs it on a pupil's machine: no display, no window.
void tst_SchoolServer::checkTellsRoleAndRights()
{
    QFETCH(QString, service);
    QFETCH(QString, pgpass);
    QFETCH(int, pgpassMode);
    QFETCH(QString, first);
    QFETCH(QString, rights);
    const QStringList right = rights.split(' ');
    const QStringList lines{first, "Role: " + right[0], "May add rounds: " + right[1],
                            "May read the class: " + right[2]};
    QTemporaryDir dirs;
    const QString xdg = dirs.filePath("xdg");
    QVERIFY(QDir().mkpath(xdg + "/kvadrilka"));
    if (!service.isNull()) {
        QFile file(xdg + "/kvadrilka/kvadrilka.conf");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[school]\nservice=" + service.toUtf8());
    }
    if (!pgpass.isNull()) {
        QFile file(dirs.filePath("pgpass"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pgpass.toUtf8() + "\n");
        file.close();
        QVERIFY(::chmod(QFile::encodeName(file.fileName()).constData(), mode_t(pgpassMode)) == 0);
    }
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("XDG_CONFIG_DIRS", dirs.filePath("empty") + ":" + xdg);
    environment.insert("PGPASSFILE", dirs.filePath("pgpass"));
    program.setProcessEnvironment(environment);
    program.start(KVADRILKA_PROGRAM, {"--school-check"});
    QVERIFY(program.waitForFinished(60000));
    const QStringList printed =
        QString::fromLocal8Bit(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(printed.size(), lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRegularExpression expected(QRegularExpression::anchoredPattern(lines.at(i)));
        QVERIFY2(expected.match(printed.at(i)).hasMatch(), qPrintable(printed.at(i)));
    }
    QCOMPARE(program.exitCode(), rights.contains("yes") ? 0 : 1);
}

QTEST_MAIN(tst_SchoolServer)
#include "tst_schoolserver.moc"
