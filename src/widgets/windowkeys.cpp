#include "widgets/windowkeys.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace lumisk {

namespace {

bool IsEnter(const QKeyEvent* key) {
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

QKeySequence SequenceOf(const QKeyEvent* key) {
    return QKeySequence(key->keyCombination());
}

class TWindowKeyFilter : public QObject {
  public:
    TWindowKeyFilter(QWidget* window, const TWindowKeys& keys)
        : QObject(window), window_(window), default_(keys.Default), cancel_(keys.Cancel),
          escapeCloses_(keys.EscapeCloses), shortcuts_(keys.Shortcuts) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == window_) return event->type() == QEvent::KeyPress && WindowKey(key);
        return FieldKey(key);
    }

  private:
    // A key that no control of the window took.
    bool WindowKey(QKeyEvent* key) {
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        if (IsEnter(key) && default_ && default_->isEnabled() && default_->isVisible()) {
            default_->click();
            return true;
        }
        if (key->key() == Qt::Key_Escape && (cancel_ || escapeCloses_)) {
            if (cancel_)
                cancel_->click();
            else
                window_->close();
            return true;
        }
        return false;
    }

    // A key in one of the text fields.
    bool FieldKey(QKeyEvent* key) {
        if (key->type() == QEvent::ShortcutOverride) {
            // Not taken by the field: the window's shortcut gets it.
            if (shortcuts_.contains(SequenceOf(key))) {
                key->ignore();
                return true;
            }
            return false;
        }
        const Qt::KeyboardModifiers mods = key->modifiers();
        return (mods & Qt::AltModifier) && !(mods & Qt::ControlModifier) && !key->text().isEmpty();
    }

    QWidget* window_;
    QPointer<QPushButton> default_;
    QPointer<QPushButton> cancel_;
    bool escapeCloses_;
    QList<QKeySequence> shortcuts_;
};

} // namespace

void UseWindowKeys(QWidget* window, const TWindowKeys& keys) {
    auto* filter = new TWindowKeyFilter(window, keys);
    window->installEventFilter(filter);
    for (QLineEdit* field : window->findChildren<QLineEdit*>())
        field->installEventFilter(filter);
    // Enter presses a focused button, as Space does.
    for (QPushButton* button : window->findChildren<QPushButton*>())
        button->setAutoDefault(true);
}

} // namespace lumisk
