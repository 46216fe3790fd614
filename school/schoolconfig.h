// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordingswitch.h"

#include <QList>
#include <QString>

// Something in the admin's file the program did not understand.
struct ConfigFault
{
    enum Kind { Unreadable, NotASetting, UnknownKey, NotYesOrNo, BadServiceName };
    Kind kind = Unreadable;
    int line = 0;    // from 1; 0 for the whole file
    QString written; // the line as written, trimmed
};

// The school's settings for every account of a machine, which the admin writes into
// kvadrilka/kvadrilka.conf under a folder of XDG_CONFIG_DIRS. No secret is kept here: the
// service names an entry of the standard pg_service.conf, and a password, if there is one, lives
// in the account's ~/.pgpass.
//
// What the admin wrote is what happens: a file that cannot be read, or a line that is not
// understood, is a fault, and then every setting the file does not clearly give takes its
// stricter choice (recording on and locked, no unrecorded game, no server: rounds stay on the
// machine until the file is put right).
struct SchoolConfig
{
    QString file;    // where the settings were read; empty when no folder has the file
    QString service; // [school] service=: the PostgreSQL service of the school's server
    QString problem; // why no server can be used, as a sentence; empty when it can
    // [diary] recording=, lock-recording=, allow-guest=: true or false (yes/no, on/off, 1/0).
    // allow-guest is false by default when lock-recording is true.
    DiaryPolicy policy;
    QList<ConfigFault> faults;
    // The settings that took their stricter choice because of the faults, as key=value.
    QStringList stricter;

    // Reads the first kvadrilka/kvadrilka.conf along XDG_CONFIG_DIRS (/etc/xdg when unset).
    static SchoolConfig load();
    static SchoolConfig load(const QString &file);
    // The file the settings come from; empty when there is none.
    static QString find();

    bool hasServer() const { return problem.isEmpty() && !service.isEmpty(); }
    // The faults and what applies instead, for standard error (one line each) and for the
    // diary window; empty when there are none.
    QStringList faultLines() const;
    QString faultNote() const;
};

// Whether a service name can go into a connection string as it is: letters, digits, '_', '-',
// '.', as the section names of pg_service.conf are written.
bool isServiceName(const QString &name);
