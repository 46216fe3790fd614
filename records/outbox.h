// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "child.h"
#include "roundrecord.h"

#include <QList>
#include <QString>

// Rounds on their way into the diary: one small file per round in a folder beside it, named by
// the round's UUID, written whole and synced to disk before the game lets the round go. The
// diary takes rounds by UUID, so a letter left behind by a crash after its round went in is
// harmless.
class Outbox
{
public:
    Outbox(const QString &folder, const Child &owner) : m_folder(folder), m_owner(owner) {}

    struct Letter
    {
        QString fileName; // empty for a round that is not in the outbox
        RoundRecord record;
        Child child; // who played it; the account's own child for letters older than children
    };

    // False, with the reason, when the round could not be put on disk.
    bool put(const Letter &letter, QString *error);
    // Oldest round first. A file that cannot be read is put aside and left out.
    QList<Letter> letters() const;
    bool isEmpty() const;
    void remove(const Letter &letter);
    // A round the diary refuses would be refused again: kept, but not offered any more.
    void putAside(const Letter &letter);
    QString folder() const { return m_folder; }

    // Puts a file or a folder on disk: ::fsync, which a test replaces to see what is synced when.
    static int (*syncToDisk)(int fd);

private:
    QString m_folder;
    Child m_owner;
};
