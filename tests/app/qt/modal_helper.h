#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace velmorra::testing {

// Runs `action` on the next modal dialog as soon as it is up (the dialog's own event loop runs
// the check), so that a test can look at it and close it. Gives up after about five seconds, and
// closes a dialog that the action left open a few seconds later, so that a test fails instead of
// hanging.
inline void OnNextModal(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr && ++*tries < 500)
      return;
    timer->stop();
    timer->deleteLater();
    if (modal == nullptr)
      return;
    action(modal);
    QPointer<QWidget> left_open(modal);
    QTimer::singleShot(3000, [left_open] {
      if (left_open && left_open->isVisible())
        left_open->close();
    });
  });
  timer->start(10);
}

}  // namespace velmorra::testing
