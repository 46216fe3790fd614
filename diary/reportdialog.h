// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "parentsreport.h"

#include <QDateTime>
#include <QDialog>
#include <QList>

class Dialogs;
class QDateEdit;
class QLabel;
class QListWidget;
class QPushButton;
class Records;

// Which children the report is for and the period it covers: every child ticked and the last
// thirty days at first.
class ReportDialog : public QDialog
{
    Q_OBJECT
public:
    ReportDialog(const QList<Child> &children, const QDate &today, QWidget *parent = nullptr);

    QList<Child> chosen() const;
    parentsreport::Period period() const;

private:
    void check();

    QList<Child> m_children;
    QListWidget *m_list = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLabel *m_problem = nullptr;
    QPushButton *m_ok = nullptr;
};

// Opens the dialog over the window without blocking it; once it is answered, asks where to save
// and writes the report, and says in a box what went wrong, if anything did.
void offerReport(QWidget *parent, Dialogs &dialogs, Records &records, const QList<Child> &children,
                 const QDateTime &now);
