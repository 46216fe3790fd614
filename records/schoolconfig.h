// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordingswitch.h"

#include <QString>

// The school's settings for every account of a machine, which the admin writes into
// kvadrilka/kvadrilka.conf under a folder of XDG_CONFIG_DIRS. No secret is kept here: the
// service names an entry of the standard pg_service.conf, and a password, if there is one, lives
// in the account's ~/.pgpass.
struct SchoolConfig
{
    QString file;    // where the settings were read; empty when no folder has the file
    QString service; // [school] service=: the PostgreSQL service of the school's server
    QString problem; // why the file cannot be used, as a sentence; empty when it can
    // [diary] recording=, lock-recording=, allow-guest=: true or false (yes/no, on/off, 1/0).
    DiaryPolicy policy;

    // Reads the first kvadrilka/kvadrilka.conf along XDG_CONFIG_DIRS (/etc/xdg when unset).
    static SchoolConfig load();
    static SchoolConfig load(const QString &file);
    // The file the settings come from; empty when there is none.
    static QString find();

    bool hasServer() const { return problem.isEmpty() && !service.isEmpty(); }
};

// Whether a service name can go into a connection string as it is: letters, digits, '_', '-',
// '.', as the section names of pg_service.conf are written.
bool isServiceName(const QString &name);
