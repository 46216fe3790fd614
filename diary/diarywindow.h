// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "diaryactions.h"

#include <QList>
#include <QWidget>

class ChildBar;
class ChildPage;
class ClassPage;
class Dialogs;
class QLabel;
class QTabWidget;
class Records;

// The diary for parents and teachers. Its children, who plays now, and two pages: the chosen
// child's rounds in a table, the score over time per level and for the chosen round how long
// each target took; and the class, one line per child. It reads the records when first shown and
// again whenever a round is written while it is open, each page when it is in view; it shows
// each answer as it comes, and is never kept waiting for one. The window
// keeps the records and the chosen child; its parts show them and say what the grown-up did.
class DiaryWindow : public QWidget
{
    Q_OBJECT
public:
    DiaryWindow(Records &records, Dialogs &dialogs, QWidget *parent = nullptr);

    void reload();
    void setVisible(bool visible) override;
    // Chooses the child and brings its page to the front.
    void showChild(const Child &child);

private:
    void createControls();
    void fillChildren(const QList<Child> &children);
    void fillChild();
    void fillClass();
    void pageChanged();
    void childChosen(int index);
    void childAdded(const Child &child);
    void childRenamed(const Child &child);
    void showPlayer();
    // The chosen child, when it is still in the diary.
    const Child *chosen() const;
    int chosenIndex() const;
    void showStatus();
    void storeChanged();
    void exportCsv(bool targets);
    void clearDiary();

    Records &m_store;
    DiaryActions m_actions;
    bool m_stale = true;
    bool m_childStale = true;
    bool m_classStale = true;
    bool m_pageByHand = false;
    int m_reloads = 0; // only the answer to the latest reload is shown
    QList<Child> m_children;
    Child m_chosen;

    ChildBar *m_bar = nullptr;
    QLabel *m_status = nullptr;
    QTabWidget *m_tabs = nullptr;
    ChildPage *m_childPage = nullptr;
    ClassPage *m_classPage = nullptr;
};
