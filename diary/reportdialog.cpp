// SPDX-License-Identifier: GPL-3.0-or-later
#include "reportdialog.h"
#include "dialogs.h"
#include "readnow.h"
#include "records.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString reportTitle() { return QStringLiteral("Отчёт для родителей"); }

QDateEdit *dateEdit(const QDate &date, const char *name, QWidget *parent)
{
    auto *edit = new QDateEdit(date, parent);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return edit;
}

} // namespace

ReportDialog::ReportDialog(const QList<Child> &children, const QDate &today, QWidget *parent)
    : QDialog(parent), m_children(children)
{
    setObjectName(QStringLiteral("reportDialog"));
    setWindowTitle(reportTitle());

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("children"));
    m_list->setAccessibleName(QStringLiteral("Дети"));
    const bool accounts = parentsreport::withAccounts(children);
    for (const Child &child : children) {
        auto *item = new QListWidgetItem(parentsreport::shownName(child, accounts), m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    connect(m_list, &QListWidget::itemChanged, this, &ReportDialog::check);

    const parentsreport::Period period = parentsreport::lastDays(today);
    m_from = dateEdit(period.from, "from", this);
    m_to = dateEdit(period.to, "to", this);
    connect(m_from, &QDateEdit::dateChanged, this, &ReportDialog::check);
    connect(m_to, &QDateEdit::dateChanged, this, &ReportDialog::check);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("Сохранить отчёт…"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName(QStringLiteral("ok"));
    QPushButton *cancel =
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *dates = new QFormLayout;
    dates->addRow(QStringLiteral("С:"), m_from);
    dates->addRow(QStringLiteral("По:"), m_to);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Для кого отчёт (каждому ребёнку — своя "
                                                "страница):"),
                                 this));
    layout->addWidget(m_list, 1);
    layout->addLayout(dates);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    check();
}

QList<Child> ReportDialog::chosen() const
{
    QList<Child> chosen;
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->checkState() == Qt::Checked)
            chosen.append(m_children[row]);
    }
    return chosen;
}

parentsreport::Period ReportDialog::period() const { return {m_from->date(), m_to->date()}; }

void ReportDialog::check()
{
    QString problem;
    if (chosen().isEmpty())
        problem = QStringLiteral("Отметьте хотя бы одного ребёнка.");
    else if (m_from->date() > m_to->date())
        problem = QStringLiteral("Начало периода позже его конца.");
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    m_ok->setEnabled(problem.isEmpty());
}

void offerReport(QWidget *parent, Dialogs &dialogs, Records &records, const QList<Child> &children,
                 const QDateTime &now)
{
    auto *dialog = new ReportDialog(children, now.date(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::accepted, dialog, [=, &dialogs, &records] {
        // Taken before the file dialog: the closed dialog goes away with the next turn of the
        // event loop.
        const QList<Child> chosen = dialog->chosen();
        const parentsreport::Period period = dialog->period();
        const QString fileName = dialogs.saveFileName(
            parent, reportTitle(),
            QDir::home().filePath(parentsreport::suggestedFileName(now.date())));
        if (fileName.isEmpty())
            return;
        QList<parentsreport::ChildRounds> rounds;
        for (const Child &child : chosen) {
            const std::optional<QList<DiaryRound>> kept = readNow<QList<DiaryRound>>(
                [&](QObject *context, Records::Answer<QList<DiaryRound>> answer) {
                    records.readRounds(child, context, answer);
                });
            if (!kept) {
                dialogs.tell(parent, reportTitle(),
                             QStringLiteral("Не удалось прочитать дневник: отчёт не составлен.\n") +
                                 records.problem());
                return;
            }
            rounds.append({child, *kept});
        }
        // A class of children takes a moment.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const QString problem = parentsreport::write(fileName, rounds, period, now,
                                                     parentsreport::withAccounts(children));
        QGuiApplication::restoreOverrideCursor();
        if (!problem.isEmpty())
            dialogs.tell(parent, reportTitle(), problem);
    });
    dialog->open();
}
