// Answers the next modal dialog from inside its own event loop: the callback gets the dialog once
// it is the active modal widget.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

inline void whenModal(std::function<void(QDialog*)> act, int timeoutMs = 8000)
{
    auto* timer = new QTimer;
    auto left = std::make_shared<int>(timeoutMs / 10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, left] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg && --*left > 0) return;
        timer->stop();
        timer->deleteLater();
        if (dlg) act(dlg);
    });
    timer->start(10);
}

template <typename T> T* named(QWidget* w, const QString& name)
{
    for (T* c : w->findChildren<T*>())
        if (c->objectName() == name) return c;
    return nullptr;
}
