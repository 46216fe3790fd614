// SPDX-License-Identifier: GPL-3.0-or-later
// The parents' report, read back from the PDF with poppler's tools, and the way to it from the
// diary window.
#include "fakes.h"
#include "diarywindow.h"
#include "parentsreport.h"
#include "reportdialog.h"
#include "sqliterecords.h"

#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using parentsreport::Period;

namespace {

const Period november{QDate(2026, 11, 8), QDate(2026, 12, 7)};
const QDateTime now(QDate(2026, 12, 7), QTime(18, 30));

// A round of the given day and hour with its score and figures.
DiaryRound played(QDate day, int hour, int score, std::optional<double> medianMs = {},
                  std::optional<double> throughput = {}, RoundEnding ending = RoundEnding::Result)
{
    DiaryRound round;
    round.started = QDateTime(day, QTime(hour, 15));
    round.score = score;
    round.ending = ending;
    round.figures.hits = std::max(score, 0);
    round.figures.medianTimeToHitMs = medianMs;
    round.figures.throughput = throughput;
    return round;
}

// Rounds on days 0, 2, 4… of the period, newest first as the records give them: the time to hit
// and the score go in even steps from the first values to the last.
QList<DiaryRound> series(int count, double firstMs, double lastMs, int firstScore, int lastScore)
{
    QList<DiaryRound> rounds;
    for (int i = 0; i < count; ++i) {
        const double t = count > 1 ? double(i) / (count - 1) : 0;
        rounds.prepend(played(november.from.addDays(2 * i % 30), 10 + i / 15,
                              int(std::lround(firstScore + t * (lastScore - firstScore))),
                              firstMs + t * (lastMs - firstMs), 2 + t));
    }
    return rounds;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("%1 failed: %2").arg(program, process.readAllStandardError());
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// What poppler reads from the file: its text with blanks run together, its page count and size,
// and the number of images in it.
struct Read
{
    explicit Read(const QString &fileName)
        : layout(run("pdftotext", {"-layout", fileName, "-"})), info(run("pdfinfo", {fileName}))
    {
        for (const QString &page : layout.split('\f'))
            texts.append(page.simplified());
        text = texts.join(' ');
        pages = QRegularExpression("Pages: +(\\d+)").match(info).captured(1).toInt();
        // The header and the line under it.
        images = int(run("pdfimages", {"-list", fileName}).trimmed().split('\n').size()) - 2;
        // Words whose boxes cross by more than a hair: a label over a title, a clipped line.
        static const QRegularExpression box(
            "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
            "yMax=\"([\\d.]+)\">([^<]*)</word>");
        for (const QString &page : run("pdftotext", {"-bbox", fileName, "-"}).split("</page>")) {
            QList<std::pair<QRectF, QString>> words;
            for (const auto &m : box.globalMatch(page)) {
                const QRectF r(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                               QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
                for (const auto &[other, word] : words) {
                    const QRectF both = r.intersected(other);
                    if (both.width() > 0.5 && both.height() > 0.5)
                        overlapping.append(word + " / " + m.captured(5));
                }
                words.append({r, m.captured(5)});
            }
        }
    }
    QString layout, info, text;
    QStringList texts; // of each page
    QStringList overlapping;
    int pages = 0, images = 0;
};

} // namespace

class tst_ParentsReport : public QObject
{
    Q_OBJECT
private slots:
    void aPageForEachChild()
    {
        QTemporaryDir dir;
        const QString fileName = dir.filePath("отчёт.pdf");
        const QString nasty = "Маша'); DROP TABLE rounds; --";
        const QString hebrew = "שרה כהן";
        QList<DiaryRound> rounds = series(7, 1200, 900, 15, 20);
        // Outside the period, and on its first and last day by the child's own clock.
        rounds.prepend(played(QDate(2026, 12, 8), 0, 30));
        rounds.append(played(QDate(2026, 11, 7), 23, 30));
        rounds.prepend(played(november.to, 23, -4, 2000, {}, RoundEnding::CloseButton));
        const QList<parentsreport::ChildRounds> children{
            {{"anna", "Анна \"Ёлка\" Петрова"}, rounds},
            {{"masha", nasty}, {}},
            {{"sara", hebrew}, series(2, 800, 700, 20, 22)}};
        // Children of several accounts: each name with its account.
        QCOMPARE(parentsreport::write(fileName, children, november, now, true), QString());

        const Read pdf(fileName);
        QCOMPARE(pdf.pages, 3);
        QVERIFY2(pdf.info.contains("(A4)"), qPrintable(pdf.info));
        // Drawn, not pasted in as a picture, and no text over another.
        QCOMPARE(pdf.images, 0);
        QVERIFY2(pdf.overlapping.isEmpty(), qPrintable(pdf.overlapping.join(", ")));
        const QStringList &pages = pdf.texts;
        const QStringList names{children[0].child.name, nasty, hebrew};
        const QStringList counts{"Сыграно раундов: 8 (до конца: 7, досрочно: 1)",
                                 "Сыграно раундов: 0 (до конца: 0, досрочно: 0)",
                                 "Сыграно раундов: 2 (до конца: 2, досрочно: 0)"};
        for (int page = 0; page < 3; ++page) {
            const QString &text = pages[page];
            QVERIFY2(text.contains(names[page]) &&
                         text.contains("(" + children[page].child.account + ")"),
                     qPrintable(text));
            QVERIFY2(text.contains("Период: с 8 ноября по 7 декабря 2026 г."), qPrintable(text));
            QVERIFY2(text.contains(counts[page]), qPrintable(text));
            QVERIFY2(text.contains(QString("страница %1 из 3").arg(page + 1)), qPrintable(text));
            QVERIFY(text.contains("Составлено 7 декабря 2026 г. в 18:30"));
            QVERIFY(text.contains("Пустые кружки — раунды, законченные досрочно"));
        }
        // Every chart of a child without rounds says why it is empty.
        for (const char *empty : {"В этот период раундов не было.", "Нет раундов с попаданиями.",
                                  "Скорость наведения не посчитана ни в одном раунде"})
            QVERIFY2(pages[1].contains(empty), qPrintable(pages[1]));
        QVERIFY(pages[2].contains("слишком мало раундов"));
    }

    void sentencesSayWhatChanged_data()
    {
        QTest::addColumn<QList<DiaryRound>>("rounds");
        QTest::addColumn<QStringList>("sentences");
        QTest::newRow("none") << QList<DiaryRound>()
                              << QStringList{"За этот период не сыграно ни одного раунда."};
        QTest::newRow("too few")
            << series(5, 1500, 500, 5, 25)
            << QStringList{"За этот период сыграно слишком мало раундов, чтобы судить об успехах.",
                           "Когда раундов станет больше, здесь будет видно, что изменилось."};
        QTest::newRow("clear improvement")
            << series(15, 1500, 800, 12, 26)
            << QStringList{"Играл ребёнок равномерно: 8 раундов в первой половине периода и 7 во "
                           "второй.",
                           "Квадратик ребёнок стал ловить быстрее: в первых раундах периода "
                           "обычно за 1350 мс, в последних — за 950 мс.",
                           "Очков за раунд стало больше: в среднем 15 в первых доигранных "
                           "раундах и 23 в последних."};
        // Rounds ended early count as played and have their time to hit, not their score.
        QList<DiaryRound> slower = series(6, 700, 1000, 24, 20);
        for (int day = 15; day < 24; ++day)
            slower.prepend(
                played(november.from.addDays(day), 9, 2, 1100, {}, RoundEnding::ProgramQuit));
        QTest::newRow("slower, later rounds ended early")
            << slower
            << QStringList{"Во второй половине периода ребёнок играл чаще: 9 раундов против 6 в "
                           "первой.",
                           "Квадратик ребёнок стал ловить медленнее: в первых раундах периода "
                           "обычно за 880 мс, в последних — за 1100 мс; так бывает, когда ребёнок "
                           "устал или взял уровень потруднее.",
                           "Очков за раунд стало меньше: в среднем 23 в первых доигранных раундах "
                           "и 21 в последних; успехи не всегда идут ровно, это нормально."};
        QTest::newRow("steady, all in the first half")
            << series(8, 900, 860, 20, 21)
            << QStringList{"Во второй половине периода ребёнок не играл: все 8 раундов — в "
                           "первой.",
                           "Квадратик ребёнок ловит так же быстро, как в начале периода: обычно "
                           "за 869 мс.",
                           "Очков за раунд примерно столько же, сколько в начале периода: в "
                           "среднем 21."};
        QList<DiaryRound> unmeasured;
        for (int day = 0; day < 6; ++day)
            unmeasured.prepend(
                played(november.from.addDays(day * 5), 9, 0, {}, {}, RoundEnding::CloseButton));
        QTest::newRow("nothing measured")
            << unmeasured
            << QStringList{"Играл ребёнок равномерно: 3 раунда в первой половине периода и 3 во "
                           "второй.",
                           "По этим раундам пока нельзя сказать, стал ли ребёнок ловить квадратик "
                           "быстрее."};
    }

    void sentencesSayWhatChanged()
    {
        QFETCH(QList<DiaryRound>, rounds);
        QFETCH(QStringList, sentences);
        QCOMPARE(parentsreport::changes(parentsreport::inPeriod(rounds, november), november),
                 sentences);
    }

    // Two months of one year are read back from the report above.
    void periodInRussian()
    {
        for (const auto &[from, to, text] :
             {std::tuple{QDate(2026, 2, 1), QDate(2026, 2, 28), "с 1 по 28 февраля 2026 г."},
              {QDate(2025, 12, 20), QDate(2026, 1, 18),
               "с 20 декабря 2025 г. по 18 января 2026 г."},
              {QDate(2026, 5, 9), QDate(2026, 5, 9), "9 мая 2026 г."}})
            QCOMPARE(parentsreport::periodText({from, to}), QString::fromUtf8(text));
    }

    void aFileThatCannotBeWrittenIsToldAndLeavesNothing()
    {
        QTemporaryDir dir;
        const QList<parentsreport::ChildRounds> one{{{"a", "Петя"}, series(3, 900, 800, 5, 6)}};
        // A folder where the file should go: refused, and nothing left beside it.
        QCOMPARE(parentsreport::write(dir.path(), one, november, now),
                 "Не удалось сохранить отчёт в файл " + dir.path() +
                     ". Проверьте, что папка есть и в неё можно записывать.");
        QVERIFY(QDir(dir.path()).isEmpty());
        QCOMPARE(
            parentsreport::write(dir.filePath("r.pdf"), one, {november.to, november.from}, now),
            "Начало периода позже его конца: отчёт не составлен.");
    }

    // Two children of one name on several accounts are told apart by the account; children of
    // one account by their names alone.
    void twoChildrenOfOneNameAreToldApart()
    {
        ReportDialog dialog({{"anna", "Маша"}, {"olga", "Маша"}}, now.date());
        const QListWidget *list = dialog.findChild<QListWidget *>("children");
        QCOMPARE(list->item(0)->text() + ", " + list->item(1)->text(), "Маша (anna), Маша (olga)");
        ReportDialog one({{"anna", "Маша"}, {"anna", "Петя"}}, now.date());
        QCOMPARE(one.findChild<QListWidget *>("children")->item(0)->text(), "Маша");
    }

    // The button opens the dialog over the diary; the dialog's answer, then the file's, make
    // the report, and any failure is told.
    void reportButtonAsksAndWrites()
    {
        QTemporaryDir dir;
        SqliteRecords store(dir.filePath("diary.sqlite"), dir.filePath("settings.ini"));
        for (int day = 1; day <= 3; ++day) {
            RoundRecord record;
            record.started = QDateTime(QDate(2026, 10, day), QTime(10, 0));
            record.score = 10 + day;
            record.uuid = QUuid::createUuid();
            store.roundEnded(record);
        }
        FakeDialogs dialogs;
        DiaryWindow window(store, dialogs);
        window.show();
        const QDate today = QDate::currentDate();
        const QString report = dir.filePath("report.pdf");
        const QStringList answers{"", dir.filePath("none/report.pdf"), report};
        for (const QString &answer : answers) {
            QTest::mouseClick(window.findChild<QPushButton *>("report"), Qt::LeftButton);
            auto *dialog = window.findChild<ReportDialog *>();
            QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
            auto *from = dialog->findChild<QDateEdit *>("from");
            QCOMPARE(from->date(), today.addDays(-29));
            QCOMPARE(dialog->findChild<QDateEdit *>("to")->date(), today);
            auto *ok = dialog->findChild<QPushButton *>("ok");
            auto *child = dialog->findChild<QListWidget *>("children")->item(0);
            // Nobody ticked, or a period that ends before it begins: nothing to make.
            child->setCheckState(Qt::Unchecked);
            QVERIFY(!ok->isEnabled());
            child->setCheckState(Qt::Checked);
            from->setDate(today.addDays(1));
            QVERIFY(!ok->isEnabled() && dialog->findChild<QLabel *>("problem")->isVisible());
            from->setDate(QDate(2026, 9, 1));
            dialogs.fileName = answer;
            QTest::mouseClick(ok, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
            QTRY_VERIFY(!window.findChild<ReportDialog *>());
        }
        QCOMPARE(dialogs.saves, 3);
        QCOMPARE(dialogs.suggested,
                 QDir::home().filePath("Отчёт " + today.toString(Qt::ISODate) + ".pdf"));
        QCOMPARE(dialogs.told.size(), 1);
        QVERIFY(dialogs.told[0].startsWith("Не удалось сохранить отчёт в файл"));
        const Read pdf(report);
        QCOMPARE(pdf.pages, 1);
        QVERIFY2(pdf.text.contains("Сыграно раундов: 3 (до конца: 3, досрочно: 0)"),
                 qPrintable(pdf.text));
        // Cancel asks for no file.
        QTest::mouseClick(window.findChild<QPushButton *>("report"), Qt::LeftButton);
        QTest::mouseClick(window.findChild<ReportDialog *>()->findChild<QPushButton *>("cancel"),
                          Qt::LeftButton);
        QCOMPARE(dialogs.saves, 3);
    }
};

QTEST_MAIN(tst_ParentsReport)
#include "tst_parentsreport.moc"
