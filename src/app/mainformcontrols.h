#pragma once
// The main window's controls and menu, named as the user documentation and
// the other windows know them, laid out in fixed pixels. TMainForm adds the
// handlers.
#include "app/byteedit.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace lumisk {

class TMainFormControls {
  public:
    // Controls, named as the user documentation and the other windows know them.
    QStatusBar* stats;
    QFrame* Panel1;
    QLabel *Label3, *Label2, *Label14, *Label15, *Label16, *Label1, *Label5;
    TByteEdit* description;
    QComboBox* description_combo;
    QPushButton* Button1;
    TByteEdit *url, *website, *updatetime, *DateEdit;
    QLineEdit* Difference;
    QPushButton* OpenSite;
    QFrame* Bevel4;
    QFrame* Panel9;
    QLabel* PreviewImage;
    QLabel* imagestats;
    QPushButton *RandomButton, *firstbutton, *backbutton, *nextbutton, *lastbutton;
    QPushButton *delbutton, *sortbutton, *addbutton, *viewbutton;
    QTimer* Timer1;

    QMenu *Settings1, *Favourites1, *Movie1, *Utilities1, *Help1;
    QAction *Settings2, *Addcurrentcameratofavourites1, *Managefavourites1, *N1;
    QAction *Createtimelapseframes1, *BuildAVImovie1;
    QAction *CreateHTMLindexpage1, *Internettimecheck1, *Refreshallpreviewimages1, *Viewstatistics1;
    QAction *About1, *Keyboardshortcuts1;

  protected:
    // Creates the controls inside window (hidden window, no handlers yet).
    void BuildControls(QMainWindow* window);
    void BuildMenu(QMainWindow* window);
};

} // namespace lumisk
