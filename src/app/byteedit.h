#pragma once
// A text field for catalogue bytes. It shows the bytes decoded for display
// and gives back the very same bytes while the user has not changed the
// text, so that a description in Windows-1252 (and the preview file named
// after it) survives being shown and stored again. Edited text is UTF-8.
// The field is one line: CR, LF and NUL never enter it, neither typed,
// pasted nor set, since each would split the catalogue file's lines.
#include <QLineEdit>
#include <string>

namespace lumisk {

class TByteEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit TByteEdit(QWidget* parent = nullptr);

    void SetBytes(const std::string& bytes);
    // The field's bytes, cut to capacity (at a character boundary for edits).
    std::string Bytes(std::size_t capacity) const;

  private:
    std::string bytes_;
    QString shown_;
};

} // namespace lumisk
