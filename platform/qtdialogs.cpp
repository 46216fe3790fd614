// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtdialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

QString QtDialogs::saveFileName(QWidget *parent, const QString &title, const QString &suggested)
{
    // The kind of file is the one the suggested name has.
    const QString filter = suggested.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)
                               ? QStringLiteral("Документы PDF (*.pdf)")
                               : QStringLiteral("Таблицы CSV (*.csv)");
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

bool QtDialogs::confirm(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    // What cannot be undone is not done by a stray Enter.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void QtDialogs::tell(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("ОК"), QMessageBox::AcceptRole);
    box.exec();
}

QString QtDialogs::askText(QWidget *parent, const QString &title, const QString &label,
                           const QString &initial, bool *ok)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("ОК"));
    dialog.setCancelButtonText(QStringLiteral("Отмена"));
    *ok = dialog.exec() == QDialog::Accepted;
    return *ok ? dialog.textValue() : initial;
}
