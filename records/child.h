// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>
#include <utility>

// A child is known by the account it plays on and its name, as the grown-up wrote it. Its identity,
// given when the diary first has it, stays through a rename: the school's server keys children by
// it, so a renamed child stays one child there.
struct Child
{
    Child(QString account = {}, QString name = {}, QUuid identity = {})
        : account(std::move(account)), name(std::move(name)), identity(identity)
    {
    }

    QString account;
    QString name;
    QUuid identity; // null where not known, as in letters written before children had one
};

// Two names are one child's when they differ only in case, in the blanks around them or in how
// their letters are composed.
namespace childnames {

constexpr int longestName = 60; // characters

// Trimmed and composed (NFC): the form a name is kept in.
QString cleaned(const QString &name);
// The form two names are compared in: cleaned and case-folded.
QString key(const QString &name);
// Why the name cannot be a child's, as a sentence for the window; empty when it can.
QString refusal(const QString &name);
bool same(const Child &a, const Child &b);

} // namespace childnames

// One child's line in the class view.
struct ClassRow
{
    Child child;
    int roundsLastWeek = 0; // started in the seven days before now
    QDateTime lastPlayed;   // invalid when the child has not played yet
    int latestLevel = 0;
    int latestScore = 0;
    bool latestEnded = true;      // false when the latest round was ended early
    std::optional<int> bestScore; // of the rounds played to their end
    // The median of the last five rounds' median time to hit, and of the five before them.
    std::optional<double> recentMedianMs;
    std::optional<double> earlierMedianMs;
};

namespace childnames {
// The child an account plays as unless told otherwise: the account's full name, as far as the
// first comma of its description in the account database, or its login name.
Child ofAccount(const QString &login, const QString &description);
Child ofThisAccount();
} // namespace childnames
