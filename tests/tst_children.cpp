// SPDX-License-Identifier: GPL-3.0-or-later
// The children of one account in one diary: whose rounds, which names, the class view.
#include "classcases.h"
#include "sqliterecords.h"

#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
#include <tuple>

namespace {

const Child owner{"family", "Иван Петров"};

RoundRecord round(int minute, int score = 0)
{
    return {.started = QDateTime(QDate(2026, 12, 7), QTime(10, minute, 5), QTimeZone(3 * 3600)),
            .score = score,
            .grade = {},
            .targets = {}};
}

struct Place
{
    QTemporaryDir dir;
    QString diary = dir.filePath("diary.sqlite"), settings = dir.filePath("settings.ini");
    SqliteRecords store{diary, settings, owner};

    // The scores of the child's rounds, oldest first.
    QList<int> scores(const Child &child)
    {
        QList<int> result;
        // The list held here: a loop over the optional's value would outlive the optional.
        const QList<DiaryRound> rounds = store.rounds(child).value();
        for (const DiaryRound &round : rounds)
            result.prepend(round.score);
        return result;
    }
    // The child of that name as the diary lists it; none with a null identity.
    Child listed(const QString &name)
    {
        const QList<Child> children = store.children().value();
        const auto it = std::ranges::find_if(children, [&](const Child &child) {
            return childnames::same(child, {owner.account, name});
        });
        return it == children.end() ? Child{} : *it;
    }
    QUuid identity(const QString &name) { return listed(name).identity; }
    QStringList names()
    {
        QStringList result;
        const QList<Child> children = store.children().value();
        for (const Child &child : children)
            result.append(child.name);
        return result;
    }
};

} // namespace

class tst_Children : public QObject
{
    Q_OBJECT
private slots:
    // Rounds go to the chosen child, a run's own child, or nobody for a guest; the choice is kept
    // for the next run, a run's own child is not.
    void eachChildKeepsItsOwnRounds()
    {
        Place place;
        place.store.roundEnded(round(1, 11));
        QCOMPARE(place.store.addChild("Маша"), QString());
        place.store.setPlayer({owner.account, "маша"});
        place.store.roundEnded(round(2, 12));
        {
            SqliteRecords run(place.diary, place.settings, owner);
            QCOMPARE(run.player().name, "маша");
            run.playAs({owner.account, "  Петя "});
            run.roundEnded(round(3, 13));
            SqliteRecords guest(place.diary, place.settings, owner);
            guest.playAsGuest();
            guest.roundEnded(round(4, 14));
        }
        QCOMPARE(place.names(), (QStringList{"Иван Петров", "Маша", "Петя"}));
        QCOMPARE(place.scores(owner), QList<int>{11});
        QCOMPARE(place.scores({owner.account, "МАША"}), QList<int>{12});
        QCOMPARE(place.scores({owner.account, "Петя"}), QList<int>{13});
        QCOMPARE(place.store.player().name, "маша");

        // A renamed child keeps its identity and gets the rounds that waited in the outbox: a
        // game knows it from the choice of player, a run from its own rounds.
        const QUuid masha = place.identity("Маша");
        QVERIFY(!masha.isNull() && masha != place.identity("Петя"));
        place.store.setPlayer(place.listed("Маша"));
        {
            SqliteRecords game(place.diary, place.settings, owner),
                run(place.diary, place.settings, owner);
            run.playAs({owner.account, "Маша"});
            run.roundEnded(round(5, 15));
            {
                QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
                other.setDatabaseName(place.diary);
                QVERIFY(other.open() && QSqlQuery(other).exec("BEGIN EXCLUSIVE"));
                game.roundEnded(round(6, 16));
                run.roundEnded(round(7, 17));
                QCOMPARE(game.unsavedCount(), 2);
            }
            QSqlDatabase::removeDatabase("other");
            QCOMPARE(place.store.renameChild({owner.account, "Маша"}, "Мария"), QString());
            QVERIFY(game.sendWaiting() && run.sendWaiting());
        }
        QCOMPARE(place.store.player().identity, masha);
        QCOMPARE(place.identity("Мария"), masha);
        QCOMPARE(place.scores({owner.account, "Мария"}), (QList<int>{12, 15, 16, 17}));
        QCOMPARE(place.store.removeChild({owner.account, "мария"}), QString());
        QCOMPARE(place.names(), (QStringList{"Иван Петров", "Петя"}));
        QSqlQuery left(QSqlDatabase::database(place.store.connectionName()));
        QVERIFY(left.exec("SELECT count(*) FROM rounds") && left.next());
        QCOMPARE(left.value(0).toInt(), 2);
        left.finish();

        // A child added by the version before has no identity: it gets one on the next read.
        {
            const auto close = qScopeGuard([] { QSqlDatabase::removeDatabase("older"); });
            QSqlDatabase older = QSqlDatabase::addDatabase("QSQLITE", "older");
            older.setDatabaseName(place.diary);
            QVERIFY(older.open() &&
                    QSqlQuery(older).exec("INSERT INTO children (account, name, "
                                          "name_key) VALUES ('family', 'Оля', 'оля')"));
        }
        QVERIFY(!place.identity("Оля").isNull());
    }

    // The administrator's default the account may change; a grown-up's game is not recorded.
    // His locks are the diary window's and the children script's to check.
    void theAdministratorDecides()
    {
        QTemporaryDir dir;
        SqliteRecords store(dir.filePath("diary.sqlite"), dir.filePath("settings.ini"), owner,
                            DiaryPolicy{false, false, true});
        QVERIFY(!store.isRecording());
        store.setRecording(true);
        QVERIFY(store.isRecording() && store.recordingLock().isEmpty() && store.playAsGuest());
        store.roundEnded(round(1));
        QCOMPARE(store.rounds(owner)->size(), 0);
    }

    // A name as a grown-up types it: kept trimmed and composed, refused with a sentence, or
    // refused because another child has it already (in another case, or composed otherwise).
    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("refusal");
        const QString taken = "Ребёнок с таким именем уже есть.",
                      empty = "Имя не может быть пустым.",
                      control = "В имени не может быть управляющих знаков.";
        const QString sixty(60, u'я'), faces = QString("😀").repeated(60);
        const QString sql = "Маша'); DROP TABLE rounds; --", quotes = "\"Ваня\" О'Нил",
                      rtl = "\u202bשרה\u202c";
        // clang-format off
        const QList<std::tuple<const char *, QString, QString, QString>> rows{
            {"trimmed", "  Петя\t", "Петя", ""},
            {"the same in capitals", "МАША", "", taken},
            {"й composed otherwise", QString("Андре\u0438\u0306"), "", taken},
            {"ё is not е", "Алёна", "Алёна", ""},
            {"empty", "", "", empty},
            {"blanks only", " \u00a0 ", "", empty},
            {"60 letters", sixty, sixty, ""},
            {"61 letters", QString(61, u'я'), "", "Имя длиннее 60 знаков."},
            {"60 letters outside the basic plane", faces, faces, ""},
            {"a line break", "Маша\nПетя", "", control},
            {"a line separator", "Маша\u2028Петя", "", control},
            {"a bell", "Ма\aша", "", control},
            {"SQL", sql, sql, ""}, {"quotes", quotes, quotes, ""}, {"right to left", rtl, rtl, ""}};
        // clang-format on
        for (const auto &[tag, name, kept, refusal] : rows)
            QTest::newRow(tag) << name << kept << refusal;
    }
    void names()
    {
        QFETCH(QString, name);
        QFETCH(QString, kept);
        QFETCH(QString, refusal);
        // Added, and given by renaming in another diary: one's own name in capitals is free.
        Place added, renamed;
        for (Place *place : {&added, &renamed}) {
            QCOMPARE(place->store.addChild("Маша"), QString());
            QCOMPARE(place->store.addChild("Андрей"), QString());
        }
        QCOMPARE(added.store.addChild(name), refusal);
        QCOMPARE(renamed.store.renameChild({owner.account, "Маша"}, name),
                 name == "МАША" ? QString() : refusal);
        if (!kept.isEmpty()) {
            QVERIFY(added.names().contains(kept));
            QVERIFY(renamed.names().contains(kept));
        }
        QCOMPARE(added.names().size(), refusal.isEmpty() ? 4 : 3);
    }

    // A child's line of the class view, from its rounds.
    void classView_data() { classcases::addRows(true); }
    void classView()
    {
        QFETCH(QList<classrows::Line>, lines);
        QFETCH(QString, expected);
        QCOMPARE(classcases::described(classrows::summarise(owner, lines, classcases::now)),
                 expected);
    }
};

QTEST_GUILESS_MAIN(tst_Children)
#include "tst_children.moc"
