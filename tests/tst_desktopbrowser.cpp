// SPDX-License-Identifier: GPL-3.0-or-later
// The page opens in a new window of the default browser, found as the desktop finds it. Every
// folder the lookup reads is a temporary one, so only the fake browser written here is started.
#include "desktopbrowser.h"
#include "desktopentry.h"
#include "detachedlauncher.h"
#include "xdgapplications.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QUrl page(QStringLiteral("https://kvadrilka.example.org/"));

// A browser entry whose commands say which entry started them; @ the temporary folder.
QString entry(const QString &mark, const QString &extra = QString(), bool action = true)
{
    QString text = "[Desktop Entry]\nType=Application\nName=Fake Browser\nIcon=web\n"
                   "Exec=@/bin/fakebrowser %u\n" +
                   extra;
    if (action)
        text += "Actions=private;new-window;\n\n[Desktop Action new-window]\nName=New Window\n"
                "Exec=@/bin/fakebrowser --new-window " +
                mark + " %u\n";
    return text;
}
QString defaults(const QString &ids)
{
    return "[Default Applications]\ntext/html=other.desktop\nx-scheme-handler/https=" + ids + "\n";
}

// Files below the temporary folder: config (XDG_CONFIG_HOME), xdg (XDG_CONFIG_DIRS), data
// (XDG_DATA_HOME), share (XDG_DATA_DIRS). No arguments means the page went to the fallback.
struct Row
{
    QMap<QString, QString> files = {};
    QStringList arguments = {};
    QString desktop = {};
};

} // namespace

class tst_DesktopBrowser : public QObject
{
    Q_OBJECT
    QString m_path = qEnvironmentVariable("PATH");
private slots:
    void commandLine_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("command");
        const QString at = page.toString();
        QTest::newRow("in an argument") << "b --url=%u" << QStringList{"b", "--url=" + at};
        QTest::newRow("appended") << "b  --new-window" << QStringList{"b", "--new-window", at};
        QTest::newRow("quoting and codes")
            << "\"/opt/my b\" \"a \\\\\"b\\\\\" \\\\$c \\\\\\\\d %u\" \"\" %f %F %i %c %k %% %U"
            << QStringList{"/opt/my b",    "a \"b\" $c \\d %u", "",  "--icon", "web",
                           "Fake Browser", "/e.desktop",        "%", at};
        QTest::newRow("escaped blank") << "b\\s--x %U" << QStringList{"b", "--x", at};
        QTest::newRow("open quote") << "b \"--x %u" << QStringList();
        QTest::newRow("unknown code") << "b %z" << QStringList();
        QTest::newRow("no program") << "%f --x" << QStringList();
        QTest::newRow("empty") << "" << QStringList();
    }
    void commandLine()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, command);
        const DesktopEntry entry = DesktopEntry::parse(
            ("[Desktop Entry]\nName=Fake Browser\nIcon=web\nExec=" + exec).toUtf8(), "/e.desktop");
        QCOMPARE(entry.command("Desktop Entry", page).value_or(QStringList()), command);
    }

    void opensANewWindowOrFallsBack_data()
    {
        QTest::addColumn<Row>("row");
        const QStringList found{"--new-window", "found", page.toString()};
        const QString fake = entry("found");
        const std::pair<QString, QString> mine{"config/mimeapps.list", defaults("fake.desktop")},
            installed{"data/applications/fake.desktop", fake};
        QTest::newRow("the action") << Row{.files = {mine, installed}, .arguments = found};
        QTest::newRow("no action")
            << Row{.files = {mine, {"data/applications/fake.desktop", entry("", "", false)}}};
        QTest::newRow("action not listed")
            << Row{.files = {mine,
                             {"data/applications/fake.desktop",
                              QString(fake).replace("new-window;", "")}}};
        QTest::newRow("no default") << Row{.files = {installed}};
        QTest::newRow("program missing") << Row{
            .files = {mine,
                      {"data/applications/fake.desktop",
                       QString(fake).replace("@/bin/fakebrowser --new", "@/bin/gone --new")}}};
        // Each list and entry that a wrong order would read first names another browser.
        QTest::newRow("the order of lists and entries")
            << Row{.files = {{"config/test-mimeapps.list", defaults("fake.desktop")},
                             {"config/mimeapps.list", defaults("plain.desktop")},
                             {"xdg/mimeapps.list", defaults("plain.desktop")},
                             {"data/applications/mimeapps.list", defaults("plain.desktop")},
                             {"data/applications/plain.desktop", entry("plain")},
                             {"share/applications/fake.desktop", entry("plain")},
                             installed},
                   .arguments = found,
                   .desktop = "Other:TEST"};
        QTest::newRow("next installed of a list, then the next file")
            << Row{.files = {{"config/mimeapps.list", defaults("gone.desktop;hidden.desktop;")},
                             {"data/applications/hidden.desktop", entry("hidden", "Hidden=true\n")},
                             {"xdg/mimeapps.list", defaults("gone.desktop;vendor-fake.desktop")},
                             {"share/applications/vendor/fake.desktop", fake}},
                   .arguments = found};
        QTest::newRow("program in PATH, address appended")
            << Row{.files = {mine,
                             {"data/applications/fake.desktop",
                              QString(fake).replace("@/bin/fakebrowser --new-window found %u",
                                                    "\"fake browser\" --new-window found")}},
                   .arguments = found};
    }
    void opensANewWindowOrFallsBack()
    {
        QFETCH(Row, row);
        QTemporaryDir dir;
        const QString root = dir.path(), opened = root + "/opened.txt";
        QVERIFY(QDir(root).mkpath("bin"));
        for (const char *name : {"fakebrowser", "fake browser"}) {
            QFile script(root + "/bin/" + QString::fromUtf8(name));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write(
                QString("#!/bin/sh\nprintf '%s\\n' \"$@\" >'%1.part' && mv '%1.part' '%1'\n")
                    .arg(opened)
                    .toUtf8());
            QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
        }
        for (const auto &[name, text] : row.files.asKeyValueRange()) {
            QFile file(root + '/' + name);
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            file.write(QString(text).replace('@', root).toUtf8());
        }
        for (const auto &[name, value] : {std::pair{"XDG_CONFIG_HOME", root + "/config"},
                                          {"XDG_CONFIG_DIRS", root + "/xdg"},
                                          {"XDG_DATA_HOME", root + "/data"},
                                          {"XDG_DATA_DIRS", root + "/share"},
                                          {"XDG_CURRENT_DESKTOP", row.desktop},
                                          {"PATH", root + "/bin:" + m_path}})
            qputenv(name, value.toUtf8());
        QList<QUrl> fallback;
        DesktopBrowser browser(std::make_unique<XdgApplications>(),
                               std::make_unique<DetachedLauncher>(), [&](const QUrl &url) {
                                   fallback.append(url);
                                   return true;
                               });
        QVERIFY(browser.open(page));
        QCOMPARE(fallback, QList<QUrl>(row.arguments.isEmpty() ? 1 : 0, page));
        if (row.arguments.isEmpty())
            return;
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(opened), 20000);
        QFile file(opened);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts), row.arguments);
    }
};

QTEST_MAIN(tst_DesktopBrowser)
#include "tst_desktopbrowser.moc"
