#pragma once
// The favourites manager: shows the favourites and deletes some of them.
// It edits only its own list; the "Manage favorites ..." action fills the
// list, shows the window, waits until Close hides it and takes back what is
// left. Each line keeps the favourite's bytes exactly (the shown text is
// only their display form). Close is the only way out: no title-bar buttons.
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <string>
#include <vector>

namespace lumisk {

class TFavManager : public QWidget {
    Q_OBJECT
  public:
    explicit TFavManager(QWidget* parent = nullptr);

    QFrame* Bevel1;
    QLabel* Label1;
    QListWidget* ListBox1;
    QPushButton* Button1; // "Delete"
    QPushButton* Button2; // "Close"

    // Delete: removes the selected line and selects the one now at its place
    // (the new last line when the last was removed); with nothing selected it
    // shows "Highlight a favourite first.".
    void Button1Click();
    // Close: hides the window.
    void Button2Click();

    // The lines of ListBox1 as favourites (bytes), in list order.
    void SetFavourites(const std::vector<std::string>& favourites);
    std::vector<std::string> Favourites() const;

  protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace lumisk
