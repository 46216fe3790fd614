// SPDX-License-Identifier: GPL-3.0-or-later
#include "child.h"

#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace childnames {

QString cleaned(const QString &name)
{
    return name.trimmed().normalized(QString::NormalizationForm_C);
}

QString key(const QString &name) { return cleaned(name).toCaseFolded(); }

QString refusal(const QString &name)
{
    const QString kept = cleaned(name);
    if (kept.isEmpty())
        return QStringLiteral("Имя не может быть пустым.");
    if (kept.toUcs4().size() > longestName)
        return QStringLiteral("Имя длиннее %1 знаков.").arg(longestName);
    for (const char32_t c : kept.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        // Line breaks and tabs would break the table, the report and the exported file; marks of
        // writing direction (format characters) belong to right-to-left names and stay.
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph)
            return QStringLiteral("В имени не может быть управляющих знаков.");
    }
    return {};
}

bool same(const Child &a, const Child &b)
{
    return a.account == b.account && key(a.name) == key(b.name);
}

} // namespace childnames

namespace childnames {

Child ofAccount(const QString &login, const QString &description)
{
    const QString fullName = description.section(u',', 0, 0);
    return {login, refusal(fullName).isEmpty() ? cleaned(fullName) : login};
}

Child ofThisAccount()
{
    passwd entry = {};
    passwd *found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
        const QString login = qEnvironmentVariable("USER", QStringLiteral("?"));
        return {login, login};
    }
    return ofAccount(QString::fromLocal8Bit(entry.pw_name), QString::fromLocal8Bit(entry.pw_gecos));
}

} // namespace childnames
