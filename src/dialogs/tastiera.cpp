#include "dialogs/tastiera.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace corvex::qt {

namespace {

class InvioPreme : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !button->isEnabled() || button->isCheckable()) return false;
        button->click();
        return true;
    }
};

bool premibile(QObject* o) {
    return qobject_cast<QPushButton*>(o) || qobject_cast<QToolButton*>(o);
}

}  // namespace

void invioPremeTasti(QWidget* root) {
    if (!root) return;
    auto* filter = new InvioPreme(root);
    if (premibile(root)) root->installEventFilter(filter);
    for (QAbstractButton* b : root->findChildren<QAbstractButton*>()) {
        if (premibile(b)) b->installEventFilter(filter);
    }
}

}  // namespace corvex::qt
