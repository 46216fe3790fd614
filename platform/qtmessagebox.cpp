// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtmessagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

int QtMessageBox::show(const QString &text, int buttons, const QString &title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("NoticeBox"));
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    // The label breaks lines at LF; a CR left in would show as a stray glyph.
    box.setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    box.setWindowModality(Qt::ApplicationModal);

    if (buttons == CancelTryContinue) {
        // One role for all three keeps them in this order on every style.
        QPushButton *cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::ActionRole);
        QPushButton *retry = box.addButton(QStringLiteral("Повторить"), QMessageBox::ActionRole);
        QPushButton *carryOn = box.addButton(QStringLiteral("Продолжить"), QMessageBox::ActionRole);
        cancel->setObjectName(QStringLiteral("Cancel"));
        retry->setObjectName(QStringLiteral("TryAgain"));
        carryOn->setObjectName(QStringLiteral("Continue"));
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == retry)
            return TryAgain;
        if (box.clickedButton() == carryOn)
            return Continue;
        return Cancel;
    }

    QPushButton *ok = box.addButton(QStringLiteral("ОК"), QMessageBox::AcceptRole);
    ok->setObjectName(QStringLiteral("Ok"));
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return Ok;
}
