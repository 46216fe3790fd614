// SPDX-License-Identifier: GPL-3.0-or-later
#include "diarywindow.h"
#include "childbar.h"
#include "childpage.h"
#include "classpage.h"
#include "diarytexts.h"
#include "records.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

DiaryWindow::DiaryWindow(Records &records, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window), m_store(records), m_actions(records, dialogs, this)
{
    setObjectName(QStringLiteral("diary"));
    setWindowTitle(diarytexts::title());
    m_bar = new ChildBar(records, dialogs, this);
    createControls();
    resize(960, 680);
    connect(&m_store, &Records::changed, this, &DiaryWindow::storeChanged);
}

void DiaryWindow::createControls()
{
    connect(m_bar, &ChildBar::childChosen, this, &DiaryWindow::childChosen);
    connect(m_bar, &ChildBar::childAdded, this, &DiaryWindow::childAdded);
    connect(m_bar, &ChildBar::childRenamed, this, &DiaryWindow::childRenamed);
    connect(m_bar, &ChildBar::childRemoved, this, &DiaryWindow::reload);
    connect(m_bar, &ChildBar::playerChanged, this, &DiaryWindow::showPlayer);
    connect(m_bar, &ChildBar::reportRequested, this, [this] { m_actions.makeReport(); });

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->hide();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("pages"));
    m_tabs->setAccessibleName(QStringLiteral("Дневник ребёнка и класс"));
    m_childPage = new ChildPage(m_store, this);
    connect(m_childPage, &ChildPage::shown, this, &DiaryWindow::showStatus);
    connect(m_childPage, &ChildPage::exportRequested, this, &DiaryWindow::exportCsv);
    connect(m_childPage, &ChildPage::clearRequested, this, &DiaryWindow::clearDiary);
    m_classPage = new ClassPage(m_store, this);
    connect(m_classPage, &ClassPage::childOpened, this, &DiaryWindow::showChild);
    connect(m_classPage, &ClassPage::shown, this, &DiaryWindow::showStatus);
    m_tabs->addTab(m_childPage, QStringLiteral("Дневник ребёнка"));
    m_tabs->addTab(m_classPage, QStringLiteral("Класс"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        m_pageByHand = true;
        pageChanged();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->addWidget(m_status);
    layout->addWidget(m_tabs, 1);
}

void DiaryWindow::setVisible(bool visible)
{
    // Filled before showing, not on the show event: a date axis filled while the window is
    // being shown keeps blank labels.
    if (visible && m_stale)
        reload();
    QWidget::setVisible(visible);
}

void DiaryWindow::storeChanged()
{
    m_stale = true;
    if (isVisible())
        reload();
}

void DiaryWindow::reload()
{
    m_stale = false;
    // The records may answer later, and another reload may have been asked for meanwhile.
    m_store.readChildren(this, [this, turn = ++m_reloads](std::optional<QList<Child>> children) {
        if (turn != m_reloads)
            return;
        m_childStale = m_classStale = true;
        fillChildren(children.value_or(QList<Child>()));
        // A teacher with a class starts from the class; a family with one child from its
        // diary; until the grown-up picks a page, also when the class comes in later.
        if (!m_pageByHand) {
            const QSignalBlocker quiet(m_tabs);
            m_tabs->setCurrentWidget(m_children.size() > 1 ? static_cast<QWidget *>(m_classPage)
                                                           : m_childPage);
        }
        pageChanged();
    });
}

void DiaryWindow::pageChanged()
{
    if (m_tabs->currentWidget() == m_childPage && m_childStale)
        fillChild();
    else if (m_tabs->currentWidget() == m_classPage && m_classStale)
        fillClass();
}

void DiaryWindow::fillChildren(const QList<Child> &children)
{
    m_children = children;
    // The chosen child stays chosen; one removed gives way to the one who plays.
    if (!chosen())
        m_chosen = m_store.player();
    if (!chosen() && !m_children.isEmpty())
        m_chosen = m_children.constFirst();
    m_bar->showChildren(m_children, chosenIndex());
    m_childPage->setClearable(!m_store.manyAccounts());
    showPlayer();
    showStatus();
}

const Child *DiaryWindow::chosen() const
{
    const auto found =
        std::find_if(m_children.cbegin(), m_children.cend(),
                     [this](const Child &child) { return childnames::same(child, m_chosen); });
    return found == m_children.cend() ? nullptr : &*found;
}

int DiaryWindow::chosenIndex() const
{
    const Child *current = chosen();
    return current ? int(current - m_children.constData()) : -1;
}

void DiaryWindow::showPlayer()
{
    m_bar->showPlayer();
    m_classPage->showPlayer(m_store.player());
}

void DiaryWindow::childChosen(int index)
{
    if (index < 0 || index >= m_children.size())
        return;
    showChild(m_children.at(index));
}

void DiaryWindow::showChild(const Child &child)
{
    m_chosen = child;
    m_bar->showChosen(chosen(), chosenIndex());
    m_childStale = true;
    showPlayer();
    if (m_tabs->currentWidget() == m_childPage)
        fillChild();
    else
        m_tabs->setCurrentWidget(m_childPage);
}

void DiaryWindow::childAdded(const Child &child)
{
    m_chosen = child;
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentWidget(m_childPage);
        m_pageByHand = true;
    }
    reload();
}

void DiaryWindow::childRenamed(const Child &child)
{
    m_chosen = child;
    reload();
}

void DiaryWindow::fillClass()
{
    m_classStale = false;
    m_classPage->fill();
}

void DiaryWindow::fillChild()
{
    m_childStale = false;
    m_childPage->showChild(chosen());
}

// After each answer: what it came from, and what went wrong.
void DiaryWindow::showStatus()
{
    m_bar->showPlace();
    const QString problem = m_store.problem();
    m_status->setText(problem);
    m_status->setVisible(!problem.isEmpty());
    m_childPage->showEmpty(m_children.isEmpty(), chosen());
}

void DiaryWindow::exportCsv(bool targets)
{
    // Copies: a round written while a box is open reads the list of children again.
    if (const Child *current = chosen())
        m_actions.exportCsv(Child(*current), targets);
}

void DiaryWindow::clearDiary()
{
    const Child *current = chosen();
    if (current && m_actions.clearDiary(Child(*current)))
        reload();
}
