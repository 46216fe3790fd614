// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for start-up time and memory: the smallest Qt Widgets program that opens a
// window as large as the settings window. With the argument "controls" the window also gets
// the settings window's kinds of controls with their texts, but no game code, which tells the
// price of Qt's text and style machinery apart from the game's own.
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <cstring>

namespace {

void addControls(QWidget *window)
{
    auto *levels = new QGroupBox(QStringLiteral("Уровень сложности"), window);
    levels->setGeometry(16, 40, 145, 129);
    const char *const levelNames[] = {"Начинающий", "Бывалый", "Опытный", "Супермен"};
    for (int i = 0; i < 4; ++i)
        (new QRadioButton(QString::fromUtf8(levelNames[i]), levels))
            ->setGeometry(16, 24 + 24 * i, 105, 17);
    auto *buttons = new QGroupBox(QStringLiteral("Вид тренировки"), window);
    buttons->setGeometry(184, 40, 145, 81);
    (new QRadioButton(QStringLiteral("Левая кнопка"), buttons))->setGeometry(16, 24, 97, 17);
    (new QRadioButton(QStringLiteral("Правая кнопка"), buttons))->setGeometry(16, 48, 97, 17);
    auto *clicks = new QGroupBox(window);
    clicks->setGeometry(184, 128, 145, 41);
    (new QCheckBox(QStringLiteral("Двойной щелчёк"), clicks))->setGeometry(16, 16, 113, 17);
    const char *const commands[] = {"Старт", "Выход", "О программе"};
    for (int i = 0; i < 3; ++i)
        (new QPushButton(QString::fromUtf8(commands[i]), window))
            ->setGeometry(16 + 112 * i, 192, 89, 41);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.setFixedSize(348, 250);
    if (argc > 1 && std::strcmp(argv[1], "controls") == 0)
        addControls(&window);
    window.show();
    return QApplication::exec();
}
