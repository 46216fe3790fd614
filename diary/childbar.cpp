// SPDX-License-Identifier: GPL-3.0-or-later
#include "childbar.h"
#include "dialogs.h"
#include "diarytexts.h"
#include "records.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

ChildBar::ChildBar(Records &records, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent), m_store(records), m_dialogs(dialogs)
{
    auto *childLabel = new QLabel(QStringLiteral("Ребёнок:"), this);
    m_child = new QComboBox(this);
    m_child->setObjectName(QStringLiteral("child"));
    // Named as the label beside it reads; the list it opens, too.
    m_child->setAccessibleName(QStringLiteral("Ребёнок"));
    m_child->view()->setAccessibleName(QStringLiteral("Ребёнок"));
    m_child->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_child->setMinimumContentsLength(12);
    childLabel->setBuddy(m_child);
    connect(m_child, &QComboBox::currentIndexChanged, this, &ChildBar::childChosen);
    m_add = new QPushButton(QStringLiteral("Добавить ребёнка…"), this);
    m_add->setObjectName(QStringLiteral("addChild"));
    connect(m_add, &QPushButton::clicked, this, &ChildBar::addChild);
    auto *reportButton = new QPushButton(QStringLiteral("Отчёт…"), this);
    reportButton->setObjectName(QStringLiteral("report"));
    reportButton->setToolTip(QStringLiteral("Отчёт для родителей в PDF: по странице на ребёнка"));
    connect(reportButton, &QPushButton::clicked, this, &ChildBar::reportRequested);
    m_rename = new QPushButton(QStringLiteral("Переименовать…"), this);
    m_rename->setObjectName(QStringLiteral("renameChild"));
    connect(m_rename, &QPushButton::clicked, this, &ChildBar::renameChild);
    m_remove = new QPushButton(QStringLiteral("Удалить ребёнка…"), this);
    m_remove->setObjectName(QStringLiteral("removeChild"));
    connect(m_remove, &QPushButton::clicked, this, &ChildBar::removeChild);

    // Nothing in the game says who plays: this line does.
    m_playerLine = new QLabel(this);
    m_playerLine->setObjectName(QStringLiteral("player"));
    m_playerLine->setTextFormat(Qt::PlainText);
    QFont bold = m_playerLine->font();
    bold.setBold(true);
    m_playerLine->setFont(bold);
    m_makePlayer = new QPushButton(QStringLiteral("Теперь играет этот ребёнок"), this);
    m_makePlayer->setObjectName(QStringLiteral("makePlayer"));
    m_makePlayer->setToolTip(
        QStringLiteral("Следующие раунды на этом компьютере запишутся в дневник выбранного "
                       "ребёнка"));
    connect(m_makePlayer, &QPushButton::clicked, this, &ChildBar::makePlayer);
    m_recording = new QCheckBox(QStringLiteral("Записывать раунды"), this);
    m_recording->setObjectName(QStringLiteral("recording"));
    connect(m_recording, &QCheckBox::toggled, this, [this](bool on) {
        m_store.setRecording(on);
        emit playerChanged();
    });

    // Which rounds these are, and what still waits to go to the school's server.
    m_place = new QLabel(this);
    m_place->setObjectName(QStringLiteral("place"));
    m_place->setTextFormat(Qt::PlainText);
    m_recordingLock = new QLabel(this);
    m_recordingLock->setObjectName(QStringLiteral("recordingLock"));
    m_recordingLock->hide();

    auto *children = new QHBoxLayout;
    children->addWidget(childLabel);
    children->addWidget(m_child);
    children->addWidget(m_add);
    children->addWidget(m_rename);
    children->addWidget(m_remove);
    children->addStretch(1);
    children->addWidget(reportButton);
    auto *player = new QHBoxLayout;
    player->addWidget(m_playerLine);
    player->addWidget(m_makePlayer);
    player->addStretch(1);
    player->addWidget(m_recording);
    auto *place = new QHBoxLayout;
    place->addWidget(m_place);
    place->addStretch(1);
    place->addWidget(m_recordingLock);

    // The window's own margins are the bar's.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(children);
    layout->addLayout(player);
    layout->addLayout(place);
}

void ChildBar::showChildren(const QList<Child> &children, int chosen)
{
    if (chosen >= 0)
        m_chosen = children.at(chosen);
    else
        m_chosen.reset();
    {
        const QSignalBlocker quiet(m_child);
        m_child->clear();
        const bool accounts = m_store.manyAccounts();
        for (const Child &child : children)
            m_child->addItem(accounts ? QStringLiteral("%1 (%2)").arg(child.name, child.account)
                                      : child.name);
        m_child->setCurrentIndex(chosen);
    }
    {
        const QSignalBlocker quiet(m_recording);
        m_recording->setChecked(m_store.isRecording());
    }
    // The administrator's lock greys the switch and says why in one line.
    const QString lock = m_store.recordingLock();
    m_recording->setEnabled(lock.isEmpty());
    m_recordingLock->setText(lock);
    m_recordingLock->setVisible(!lock.isEmpty());
    // The school's server is only read: its children are kept on their own accounts.
    const bool own = !m_store.manyAccounts();
    m_add->setEnabled(own);
    m_rename->setEnabled(own && m_chosen);
    m_remove->setEnabled(own && m_chosen);
}

void ChildBar::showPlace()
{
    QString place = QStringLiteral("Показано: %1").arg(m_store.place());
    if (const std::optional<int> waiting = m_store.waitingForSchool())
        place += QStringLiteral(" · ждут отправки на школьный сервер: %1").arg(*waiting);
    m_place->setText(place);
}

void ChildBar::showChosen(const Child *chosen, int index)
{
    if (!chosen) {
        m_chosen.reset();
        return;
    }
    m_chosen = *chosen;
    const QSignalBlocker quiet(m_child);
    m_child->setCurrentIndex(index);
}

void ChildBar::showPlayer()
{
    const Child player = m_store.player();
    m_playerLine->setText(
        m_store.isRecording()
            ? QStringLiteral("Следующие раунды записываются для: %1").arg(player.name)
            : QStringLiteral("Раунды сейчас не записываются"));
    m_makePlayer->setEnabled(!m_store.manyAccounts() && m_chosen &&
                             !childnames::same(*m_chosen, player));
}

void ChildBar::makePlayer()
{
    if (m_chosen)
        m_store.setPlayer(*m_chosen);
    emit playerChanged();
}

void ChildBar::addChild()
{
    QString name;
    QString label = QStringLiteral("Имя ребёнка:");
    for (;;) {
        bool ok = false;
        name = m_dialogs.askText(window(), QStringLiteral("Добавить ребёнка"), label, name, &ok);
        if (!ok)
            return;
        const QString refusal = m_store.addChild(name);
        if (refusal.isEmpty())
            break;
        // Asked again with what was typed, to be mended rather than typed anew.
        label = refusal + QStringLiteral("\n\nИмя ребёнка:");
    }
    emit childAdded({m_store.player().account, childnames::cleaned(name)});
}

void ChildBar::renameChild()
{
    if (!m_chosen)
        return;
    const Child child = *m_chosen;
    QString name = child.name;
    QString label = QStringLiteral("Новое имя для «%1»:").arg(child.name);
    for (;;) {
        bool ok = false;
        name =
            m_dialogs.askText(window(), QStringLiteral("Переименовать ребёнка"), label, name, &ok);
        if (!ok)
            return;
        const QString refusal = m_store.renameChild(child, name);
        if (refusal.isEmpty())
            break;
        label = refusal + QStringLiteral("\n\nНовое имя для «%1»:").arg(child.name);
    }
    emit childRenamed({child.account, childnames::cleaned(name)});
}

void ChildBar::removeChild()
{
    if (!m_chosen)
        return;
    const Child child = *m_chosen;
    if (!m_dialogs.confirm(window(), QStringLiteral("Удалить ребёнка"),
                           QStringLiteral("Удалить ребёнка «%1» из дневника вместе со всеми его "
                                          "раундами? Вернуть их будет нельзя.")
                                   .arg(child.name) +
                               diarytexts::schoolKeeps(m_store)))
        return;
    if (const QString refusal = m_store.removeChild(child); !refusal.isEmpty())
        m_dialogs.tell(window(), diarytexts::title(),
                       QStringLiteral("Не удалось удалить ребёнка «%1».\n").arg(child.name) +
                           refusal);
    emit childRemoved();
}
