// The wait cursor for the length of a scope, restored also when an exception leaves it.
#pragma once

#include <QCursor>
#include <QGuiApplication>

class THourglass {
public:
    THourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~THourglass() { QGuiApplication::restoreOverrideCursor(); }

    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;
};
