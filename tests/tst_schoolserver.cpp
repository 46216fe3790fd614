// SPDX-License-Identifier: GPL-3.0-or-later
// The school's server against a private PostgreSQL the test starts. Logins: pupils as themselves
// (ivan, petya), a shared account (class3b), a teacher, and one in no group (stranger).
#include "pgcluster.h"
#include "schoolconfig.h"
#include "schoolserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

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
    void slowStatementIsEnded();
    void silentServerIsGivenUpInTime();
    void checkTellsRoleAndRights_data();
    void checkTellsRoleAndRights();

private:
    void writeServices(int silentPort = 0);

    Cluster m_cluster;
    QString m_database;
    int m_databases = 0;
};

void tst_SchoolServer::writeServices(int silentPort)
{
    QFile file(m_cluster.path("pg_service.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QString text;
    for (const QString &login : logins + QStringList{"postgres"})
        text += QString("[%1]\nhost=%2\ndbname=%3\nuser=%1\n\n")
                    .arg(login, m_cluster.socket(), m_database);
    text += QString("[bare]\nhost=%1\ndbname=postgres\nuser=teacher\n\n").arg(m_cluster.socket());
    text +=
        QString("[silent]\nhost=127.0.0.1\nport=%1\ndbname=kvadrilka\nuser=ivan\n").arg(silentPort);
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
                                     "CREATE ROLE stranger LOGIN"),
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

void tst_SchoolServer::slowStatementIsEnded()
{
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
    QCOMPARE_LT(waited.elapsed(), 30000);
    QVERIFY2(ivan.errorMessage().contains("statement timeout"), qPrintable(ivan.errorMessage()));
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

void tst_SchoolServer::checkTellsRoleAndRights_data()
{
    QTest::addColumn<QString>("service"); // null: no file
    QTest::addColumn<QString>("first");   // a pattern
    QTest::addColumn<QString>("rights");  // role, may add rounds, may read the class
    const QString answers = "School server: answers \\(service \"%1\", PostgreSQL [0-9.]+[^,]*, "
                            "schema version 1\\)";
    const QString but = "School server: answers \\(service \"%1\", PostgreSQL .*\\), but ";
    const QString unknown = "unknown unknown unknown";
    QTest::newRow("pupil") << "ivan" << answers.arg("ivan") << "ivan yes no";
    QTest::newRow("teacher") << "teacher" << answers.arg("teacher") << "teacher no yes";
    QTest::newRow("no group") << "stranger"
                              << but.arg("stranger") + "the role is in none of the game's groups "
                                                       "\\(kvadrilka_pupils, kvadrilka_teachers\\)"
                              << "stranger no no";
    QTest::newRow("no tables") << "bare"
                               << but.arg("bare") +
                                      "its database has no tables for the game: apply school-1.sql"
                               << "teacher no no";
    QTest::newRow("unknown service") << "nowhere"
                                     << "School server: does not answer: cannot connect to the "
                                        "service \"nowhere\": .*nowhere.*"
                                     << unknown;
    QTest::newRow("no file") << QString()
                             << "School server: not set up \\(no kvadrilka/kvadrilka.conf in "
                                "XDG_CONFIG_DIRS\\)"
                             << unknown;
}

// The built program, as an admin runs it on a pupil's machine: no display, no window.
void tst_SchoolServer::checkTellsRoleAndRights()
{
    QFETCH(QString, service);
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
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("XDG_CONFIG_DIRS", dirs.filePath("empty") + ":" + xdg);
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
