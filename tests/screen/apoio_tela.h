#pragma once

// Helpers of the widget tests: boxes answered as a user would, windows found by name.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace tessela::teste {

// Waits (in the event loop of whatever runs next) for a modal message box, lets the
// test look at it and presses its OK button. Returns the timer, owned by the app.
inline QTimer* ResponderCaixa(std::function<void(QMessageBox*)> examinar) {
    auto* relogio = new QTimer(qApp);
    relogio->setInterval(5);
    QObject::connect(relogio, &QTimer::timeout, relogio, [relogio, examinar] {
        auto* caixa = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caixa || !caixa->isVisible())
            return;
        relogio->stop();
        relogio->deleteLater();
        if (examinar)
            examinar(caixa);
        caixa->button(QMessageBox::Ok)->click();
    });
    relogio->start();
    return relogio;
}

} // namespace tessela::teste
