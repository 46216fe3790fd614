// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "records.h"

#include <QEventLoop>

// Waits for a read's answer with the event loop turning, so that a window stays alive meanwhile:
// for a step that needs the whole answer before it goes on, as writing a file does. None when
// the records could not be read.
template <typename T>
std::optional<T> readNow(const std::function<void(QObject *, Records::Answer<T>)> &read)
{
    std::optional<std::optional<T>> got;
    QEventLoop loop;
    read(&loop, [&got, &loop](std::optional<T> value) {
        got = std::move(value);
        loop.quit();
    });
    if (!got)
        loop.exec();
    return got.value_or(std::nullopt);
}
