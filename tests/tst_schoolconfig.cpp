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
    void checkNamesTheMissingDriver();
};

void tst_SchoolConfig::firstFolderWithTheFileWins_data()
{
    // Folders a, b and c; a has no file, b and c do. "." is a relative entry.
    QTest::addColumn<QString>("dirs");
    QTest::addColumn<QString>("service"); // of the file read; "-" when none is
    QTest::addColumn<QString>("problem");
    QTest::newRow("first with a file") << "a:b:c"
                                       << "bservice"
                                       << "";
    QTest::newRow("order decides") << "c:b"
                                   << "c.service-2"
                                   << "";
    QTest::newRow("empty entries skipped") << "::a::c"
                                           << "c.service-2"
                                           << "";
    QTest::newRow("relative entries ignored") << ".:a"
                                              << "-"
                                              << "";
    QTest::newRow("unsafe service name") << "d"
                                         << "x' host=evil"
                                         << "may hold only";
    QTest::newRow("no service") << "e"
                                << ""
                                << "";
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
        QFile conf(root.filePath(file.key() + "/kvadrilka/kvadrilka.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write(file.value());
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
