// SPDX-License-Identifier: GPL-3.0-or-later
// The game starts the diary's own program: one at a time, closed with the game, and a notice
// instead of a diary when there is none to start. A shell script stands in for the program.
#include "diaryprogram.h"
#include "fakes.h"
#include "notices.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class tst_DiaryProgram : public QObject
{
    Q_OBJECT
private slots:
    void noDiaryToStart_data();
    void noDiaryToStart();
    void oneDiaryThatClosesWithTheGame();

private:
    QTemporaryDir m_dir;
};

namespace {
void write(const QString &path, const QByteArray &text, bool executable)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    if (executable)
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
}
QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

void tst_DiaryProgram::noDiaryToStart_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QString>("why");

    const QString missing = QStringLiteral("Не найдена программа дневника ");
    QTest::newRow("none, --journal") << QByteArray() << false << true << missing;
    QTest::newRow("not executable") << QByteArray("#!/bin/sh\n") << false << false << missing;
    // execve refuses a file that is neither a binary nor a script.
    QTest::newRow("cannot run") << QByteArray("\x7f"
                                              "ELF garbage")
                                << true << false << QString();
}

void tst_DiaryProgram::noDiaryToStart()
{
    QFETCH(QByteArray, program);
    QFETCH(bool, executable);
    QFETCH(bool, replace);
    QFETCH(QString, why);

    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
    if (!program.isEmpty())
        write(path, program, executable);
    FakeMessageBox box;
    Notices notices(box);
    DiaryProgram diary(notices, {path});
    if (replace)
        QCOMPARE(diary.replaceGame(), 1);
    else
        diary.open();
    QTRY_COMPARE_WITH_TIMEOUT(box.shown.size(), 1, 10000);
    QCOMPARE(box.shown[0].buttons, int(MessageBox::OkOnly));
    const QString head = QStringLiteral("Не удалось открыть дневник.\r\n") + why;
    QVERIFY2(box.shown[0].text.startsWith(head), qPrintable(box.shown[0].text));
    // The path where the program was looked for, or the system's reason it would not run.
    if (why.isEmpty())
        QVERIFY(box.shown[0].text.size() > head.size() + 5);
    else
        QCOMPARE(box.shown[0].text, head + path);
}

void tst_DiaryProgram::oneDiaryThatClosesWithTheGame()
{
    // Says how it was started, then keeps what the game writes to it until its input ends.
    const QString script = m_dir.filePath(QStringLiteral("diary"));
    write(
        script,
        "#!/bin/sh\necho $$ >\"$0.pid\"\necho \"$@\" >>\"$0.arguments\"\nexec cat >\"$0.input\"\n",
        true);
    FakeMessageBox box;
    Notices notices(box);
    auto diary =
        std::make_unique<DiaryProgram>(notices, QStringList{QStringLiteral("nowhere"), script});
    QCOMPARE(diary->path(), QFileInfo(script).canonicalFilePath());
    // Asked again, also while it is still starting, the diary comes to the front: a line on its
    // input each time, no second program.
    diary->open();
    diary->open();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(script + QStringLiteral(".input")), 10000);
    diary->open();
    QTRY_COMPARE_WITH_TIMEOUT(contents(script + QStringLiteral(".input")).size(), 2, 10000);
    QCOMPARE(contents(script + QStringLiteral(".arguments")), QByteArray("--from-game\n"));

    const pid_t pid = contents(script + QStringLiteral(".pid")).trimmed().toInt();
    QVERIFY(pid > 0);
    diary.reset();
    QCOMPARE(::kill(pid, 0), -1);
    QCOMPARE(contents(script + QStringLiteral(".input")), QByteArray("\n\n"));
    QVERIFY(box.shown.isEmpty());
}

QTEST_MAIN(tst_DiaryProgram)
#include "tst_diaryprogram.moc"
