// SPDX-License-Identifier: GPL-3.0-or-later
#include "schoolconfig.h"
#include "schoolserver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_SchoolConfig : public QObject
{
    Q_OBJECT
private slots:
    void firstFolderWithTheFileWins_data();
    void firstFolderWithTheFileWins();
    void whatTheAdminWroteIsWhatHappens_data();
    void whatTheAdminWroteIsWhatHappens();
    void checkNamesTheMissingDriver();
};

Q_DECLARE_METATYPE(DiaryPolicy)

static bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

void tst_SchoolConfig::firstFolderWithTheFileWins_data()
{
    // Folders a, b and c; a has no file, b and c do. "." is a relative entry.
    QTest::addColumn<QString>("dirs");
    QTest::addColumn<QString>("service"); // of the file read; "-" when none is
    QTest::addColumn<QString>("problem");
    const auto row = [](const char *name, const char *dirs, const char *service,
                        const char *problem) { QTest::newRow(name) << dirs << service << problem; };
    row("order decides", "c:b", "c.service-2", "");
    row("empty entries skipped", "::a::c", "c.service-2", "");
    row("relative entries ignored", ".:a", "-", "");
    row("unsafe service name", "d", "x' host=evil", "may hold only");
    row("no service", "e", "", "");
}

void tst_SchoolConfig::firstFolderWithTheFileWins()
{
    QFETCH(QString, dirs);
    QFETCH(QString, service);
    QFETCH(QString, problem);
    QTemporaryDir root;
    const QMap<QString, QByteArray> files{{"b", "[school]\nservice=bservice\n"},
                                          {"c", "[school]\nservice = c.service-2\n"},
                                          {"d", "[school]\nservice=x' host=evil\n"},
                                          {"e", "[other]\nservice=elsewhere\n"}};
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        QVERIFY(QDir(root.path()).mkpath(file.key() + "/kvadrilka"));
        QVERIFY(writeFile(root.filePath(file.key() + "/kvadrilka/kvadrilka.conf"), file.value()));
    }
    // A relative "." would find a file in the folder the program was started from.
    QVERIFY(QDir::setCurrent(root.filePath("b")));
    QVERIFY(QDir().mkpath("kvadrilka"));
    QStringList absolute;
    for (const QString &dir : dirs.split(':'))
        absolute << (dir.isEmpty() || dir == "." ? dir : root.filePath(dir));
    qputenv("XDG_CONFIG_DIRS", absolute.join(':').toLocal8Bit());

    const SchoolConfig config = SchoolConfig::load();
    if (service == "-") {
        QCOMPARE(config.file, QString());
        QVERIFY(!config.hasServer());
        return;
    }
    QCOMPARE(config.service, service);
    QCOMPARE(config.problem.contains(problem), true);
    QCOMPARE(config.problem.isEmpty(), problem.isEmpty());
    QCOMPARE(config.hasServer(), problem.isEmpty() && !service.isEmpty());
}

void tst_SchoolConfig::whatTheAdminWroteIsWhatHappens_data()
{
    // "-" for a file that cannot be read: a folder by that name.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<DiaryPolicy>("policy");
    QTest::addColumn<QString>("service");
    QTest::addColumn<QStringList>("said"); // after "FILE, " or "FILE "
    const QString strict = "is not clear, so the stricter choice applies: ";
    QTest::newRow("nothing written")
        << QByteArray("[school]\n") << DiaryPolicy{} << "" << QStringList{};
    QTest::newRow("comments after values")
        << QByteArray(
               "\xef\xbb\xbf[diary]\r\nrecording = false # off\nlock-recording=yes;  locked\n"
               "allow-guest=\"on\"\t# the parents'\n[school] # below\nservice=k.1 ;x\n")
        << DiaryPolicy{false, true, true} << "k.1" << QStringList{};
    QTest::newRow("a lock keeps a grown-up's rounds too")
        << QByteArray("[diary]\nlock-recording=true\n") << DiaryPolicy{{}, true, false} << ""
        << QStringList{};
    QTest::newRow("cannot be read")
        << QByteArray("-") << DiaryPolicy{true, true, false} << ""
        << QStringList{"cannot be read; no round is sent to a school server until it can",
                       strict + "recording=true, lock-recording=true, allow-guest=false"};
    QTest::newRow("not understood")
        << QByteArray("[school]\nservice=k\n[diary]\nrecording=maybe\nlock-recordng=no\n"
                      "allow-guest\n")
        << DiaryPolicy{true, true, false} << "k"
        << QStringList{"line 4: \"recording=maybe\" is neither true nor false",
                       "line 5: \"lock-recordng=no\" is not a known setting",
                       "line 6: \"allow-guest\" is no [section] and no key=value",
                       strict + "recording=true, lock-recording=true, allow-guest=false"};
    QTest::newRow("what is clear holds")
        << QByteArray("[diary]\nrecording=off\nallow-guest=1\nrecord=on\n")
        << DiaryPolicy{false, true, true} << ""
        << QStringList{"line 4: \"record=on\" is not a known setting",
                       strict + "lock-recording=true"};
}

void tst_SchoolConfig::whatTheAdminWroteIsWhatHappens()
{
    QFETCH(QByteArray, text);
    QFETCH(DiaryPolicy, policy);
    QFETCH(QString, service);
    QFETCH(QStringList, said);
    QTemporaryDir dir;
    const QString file = dir.filePath("kvadrilka.conf");
    QVERIFY(text == "-" ? QDir(dir.path()).mkdir("kvadrilka.conf") : writeFile(file, text));
    const SchoolConfig config = SchoolConfig::load(file);
    QCOMPARE(config.policy.recording, policy.recording);
    QCOMPARE(config.policy.recordingLocked, policy.recordingLocked);
    QCOMPARE(config.policy.guestAllowed, policy.guestAllowed);
    QCOMPARE(config.service, service);
    QCOMPARE(config.hasServer(), !service.isEmpty());
    QStringList expected;
    for (const QString &line : said)
        expected << file + (line.startsWith("line") ? ", " : " ") + line;
    QCOMPARE(config.faultLines(), expected);
    QCOMPARE(config.faultNote().isEmpty(), said.isEmpty());
}

// With no plugin folder, as on a machine without the driver's package.
void tst_SchoolConfig::checkNamesTheMissingDriver()
{
    QCoreApplication::setLibraryPaths({});
    QVERIFY(!SchoolServer::driverInstalled());
    SchoolConfig config;
    config.service = "kvadrilka";
    const SchoolCheck check = checkSchool(config);
    QCOMPARE(check.lines, QStringList({"School server: not asked: the Qt driver for PostgreSQL is "
                                       "not installed (package libqt6sql6-psql)",
                                       "Role: unknown", "May add rounds: unknown",
                                       "May read the class: unknown"}));
    QVERIFY(!check.ok);
    SchoolServer server("kvadrilka");
    QCOMPARE(server.deliver({ChildRound{{"ivan", "Маша"}, {}}}), QList<QUuid>());
    QCOMPARE(server.errorMessage(),
             QString("the Qt driver for PostgreSQL is not installed (package libqt6sql6-psql)"));
}

QTEST_MAIN(tst_SchoolConfig)
#include "tst_schoolconfig.moc"
