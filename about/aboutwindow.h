// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browser.h"
#include "platform.h"

#include <QPointer>
#include <QSet>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

// What the program is for, its rules, the author's portrait and school, and a link to the
// author's home page. The object lives for the whole program and keeps its browser; load()
// builds the controls afresh, closing the window destroys them.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(const Platform &platform, QWidget *parent = nullptr);
    ~AboutWindow() override;

    // Shows the window, loading it first if needed; an open window is brought forward.
    void open();
    void load();
    bool isLoaded() const { return m_loaded; }

    static constexpr int clientWidth = 431;
    static constexpr int clientHeight = 278;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void Label19_Click();
    void Picture1_Click();

    void createControls();
    void openHomePage();
    // Clicks on the two controls that have no click of their own.
    void handleClick(QObject *control);

    Platform m_platform;
    bool m_loaded = false;
    std::unique_ptr<Browser> m_browser;
    // The control that got the last left press: a click needs press and release on it.
    QPointer<QObject> m_pressed;
    // The keys down on the link, and the last one let go with its time: a key opens the page
    // once per press, however its repeats are flagged.
    QSet<int> m_keysDown;
    int m_releasedKey = 0;
    quint64 m_releasedAt = 0;

    QPointer<QLabel> Picture1;
    QPointer<QLineEdit> Text3;
    QPointer<QPlainTextEdit> Text2;
    QPointer<QLabel> Label16;
    QPointer<QLabel> Label19;
};
