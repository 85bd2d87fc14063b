#pragma once
// Keeps a one-line text field to one line. Whatever reaches the field (keys,
// paste, drop, an input method, a program's setText) loses its CR, LF and
// NUL characters, so a pasted address keeps its text without the trailing
// line break and nothing from a field can split a line of a data file.
// Every text is acceptable once those are removed. Owned by its parent.
#include <QValidator>

namespace lumisk {

class TSingleLineValidator : public QValidator {
  public:
    explicit TSingleLineValidator(QObject* parent) : QValidator(parent) {}

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};

} // namespace lumisk
