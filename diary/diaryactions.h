// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"

class Dialogs;
class QWidget;
class Records;

// What the diary's buttons do beyond showing: saving a child's rounds as CSV, the parents'
// report and clearing a child's rounds, each asking and telling in boxes over the window.
class DiaryActions
{
public:
    DiaryActions(Records &records, Dialogs &dialogs, QWidget *window);

    // One row per round, or with `targets` one row per target.
    void exportCsv(const Child &child, bool targets);
    void makeReport();
    // False when the grown-up said no: nothing was touched.
    bool clearDiary(const Child &child);

private:
    Records &m_store;
    Dialogs &m_dialogs;
    QWidget *m_window;
};
