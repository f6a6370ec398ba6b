// Test support: acting on a modal dialog, which blocks in exec() until closed.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace corvex::test {

// Runs action on the modal dialog of class Dialog that opens next. It waits
// for the dialog to be the active modal window, so another visible window of
// the same class is never mistaken for it.
template <class Dialog, class Fn>
void onNextDialog(Fn action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (d == nullptr || !d->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(d);
    });
    timer->start();
}

}  // namespace corvex::test
