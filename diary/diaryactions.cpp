// SPDX-License-Identifier: GPL-3.0-or-later
#include "diaryactions.h"
#include "dialogs.h"
#include "diarytexts.h"
#include "readnow.h"
#include "records.h"
#include "reportdialog.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>

DiaryActions::DiaryActions(Records &records, Dialogs &dialogs, QWidget *window)
    : m_store(records), m_dialogs(dialogs), m_window(window)
{
}

void DiaryActions::exportCsv(const Child &child, bool targets)
{
    // The child's name in the file's name, less what a file name cannot hold.
    QString name = child.name;
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|]")), QStringLiteral("_"));
    const QString suggested = QDir::home().filePath(
        (targets ? QStringLiteral("дневник-квадратики-%1.csv") : QStringLiteral("дневник-%1.csv"))
            .arg(name));
    const QString fileName =
        m_dialogs.saveFileName(m_window, QStringLiteral("Сохранить дневник"), suggested);
    if (fileName.isEmpty())
        return;
    const std::optional<QList<DiaryRound>> rounds = readNow<QList<DiaryRound>>(
        [&](QObject *context, Records::Answer<QList<DiaryRound>> answer) {
            m_store.readRounds(child, context, answer);
        });
    const std::optional<QByteArray> text = !rounds   ? std::nullopt
                                           : targets ? diarytexts::targetsCsv(*rounds, m_store)
                                                     : std::optional(diarytexts::csv(*rounds));
    QSaveFile file(fileName);
    // Written whole or not at all.
    if (!text || !file.open(QIODevice::WriteOnly) || file.write(*text) < 0 || !file.commit())
        m_dialogs.tell(m_window, diarytexts::title(),
                       QStringLiteral("Не удалось сохранить дневник в файл %1. Проверьте, что "
                                      "папка есть и в неё можно записывать.")
                           .arg(fileName));
}

void DiaryActions::makeReport()
{
    const std::optional<QList<Child>> children = readNow<QList<Child>>(
        [this](QObject *context, Records::Answer<QList<Child>> answer) {
            m_store.readChildren(context, answer);
        });
    offerReport(m_window, m_dialogs, m_store, children.value_or(QList<Child>()),
                QDateTime::currentDateTime());
}

bool DiaryActions::clearDiary(const Child &child)
{
    if (!m_dialogs.confirm(m_window, QStringLiteral("Очистить дневник"),
                           QStringLiteral("Стереть все раунды ребёнка «%1»? Вернуть их будет "
                                          "нельзя. Раунды других детей останутся.")
                                   .arg(child.name) +
                               diarytexts::schoolKeeps(m_store)))
        return false;
    if (!m_store.clear(child))
        m_dialogs.tell(m_window, diarytexts::title(),
                       QStringLiteral("Не удалось очистить дневник.\n") + m_store.problem());
    return true;
}
