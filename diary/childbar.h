// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"

#include <QList>
#include <QWidget>

#include <optional>

class Dialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class Records;

// The lines at the top of the diary: which child is shown, with adding, renaming and removing
// children, who plays now and whether rounds are recorded, and which rounds these are. The window
// keeps the list and the chosen child; the bar shows them and says what the grown-up did.
class ChildBar : public QWidget
{
    Q_OBJECT
public:
    ChildBar(Records &records, Dialogs &dialogs, QWidget *parent = nullptr);

    // The list, with the chosen child at `chosen` (-1 for none), and the lines under it.
    void showChildren(const QList<Child> &children, int chosen);
    // Another child chosen, by the window; null when it is no longer in the list.
    void showChosen(const Child *chosen, int index);
    void showPlayer();
    // Where what is shown was read, and what waits to go, as the records say after their last
    // answer.
    void showPlace();

signals:
    void childChosen(int index);
    // The child to show next: the one added or renamed.
    void childAdded(const Child &child);
    void childRenamed(const Child &child);
    void childRemoved();
    void playerChanged();
    void reportRequested();

private:
    void addChild();
    void renameChild();
    void removeChild();
    void makePlayer();

    Records &m_store;
    Dialogs &m_dialogs;
    std::optional<Child> m_chosen;

    QComboBox *m_child = nullptr;
    QLabel *m_playerLine = nullptr;
    QLabel *m_place = nullptr;
    QLabel *m_recordingLock = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_makePlayer = nullptr;
    QPushButton *m_rename = nullptr;
    QPushButton *m_remove = nullptr;
    QCheckBox *m_recording = nullptr;
};
