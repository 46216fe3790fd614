// SPDX-License-Identifier: GPL-3.0-or-later
// Setting a damaged diary aside, only while no other game holds it.
#include "diaryfile.h"
#include "failures.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where SQLite's unix locks sit in a database file. Write locks on the pending byte and the
// shared range are its exclusive lock: nobody else can be reading or writing the file meanwhile.
constexpr off_t pendingByte = 0x40000000;
constexpr off_t sharedFirst = pendingByte + 2;
constexpr off_t sharedSize = 510;

bool lockRange(int fd, off_t start, off_t length)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
#ifdef F_OFD_SETLK
    // Open-file-description locks meet SQLite's locks of this process too, and closing this
    // descriptor does not drop the locks SQLite holds on the same file.
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
#else
    return ::fcntl(fd, F_SETLK, &lock) == 0;
#endif
}

QString asideName(const QString &path)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    return aside;
}

} // namespace

bool DiaryFile::startAfresh(const QString &damage)
{
    const Identity damaged = m_identity;
    close();
    return setAside(damage, damaged);
}

bool DiaryFile::setAside(const QString &damage, Identity damaged)
{
    const QByteArray path = QFile::encodeName(m_path);
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        m_failures.fail(Failures::Stuck, damage);
        return false;
    }
    struct stat st = {};
    const bool locked = lockRange(fd, pendingByte, 1) && lockRange(fd, sharedFirst, sharedSize);
    const bool same = ::fstat(fd, &st) == 0 &&
                      Identity{quint64(st.st_dev), quint64(st.st_ino)} == damaged &&
                      identityOf(m_path) == damaged;
    if (!locked || !same) {
        ::close(fd);
        // Another game set it aside already and began a new diary: that one is ours too.
        if (!same)
            return open(false);
        m_failures.fail(Failures::Busy, damage);
        return false;
    }
    const QString aside = asideName(m_path);
    if (::rename(path.constData(), QFile::encodeName(aside).constData()) != 0) {
        ::close(fd);
        m_failures.fail(Failures::Stuck, damage);
        return false;
    }
    // A journal left beside the old file belongs to it, not to the fresh diary.
    for (const QString &suffix :
         {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(m_path + suffix))
            QFile::rename(m_path + suffix, aside + suffix);
    }
    ::close(fd);
    m_failures.fail(Failures::Damaged, damage, aside);
    return open(false);
}
