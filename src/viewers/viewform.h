#pragma once
// The image viewer: the main window's current camera's preview at its natural
// size, zoomed by factors of two, stepped to the next or previous camera,
// refreshed by a new download, saved as a BMP file or made the wallpaper.
//
// States: hidden (at start) and visible; it is centred on the screen each
// time it becomes visible. It has no camera of its own: every opening reads
// the main window's fields, and its two caption lines copy the main window's
// url and description. Display modes: natural after each opening, stretched
// after the first zoom until the next opening. The picture is a 24-bit
// bitmap (Format_BGR888) after every opening and drawing. "Fit to window",
// while checked, shows every picture stretched to the largest size of its
// shape that the work area holds (zooming is off meanwhile); it lasts for the
// run and is never saved.
//
// Keys: + and - zoom, Right and Left step to the next and previous camera,
// F5 and R refresh, Escape closes.
//
// Errors of decoding and writing reach the caller of the public operations;
// the handlers connected to the controls report them through the general
// error report. The window owns its controls; it is created once and lives
// as long as the program.
#include "util/userdialogs.h"
#include "viewers/picturecontrol.h"
#include "viewers/viewerlayout.h"

#include <QAction>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QWidget>

namespace lumisk {

class TViewForm : public QWidget {
    Q_OBJECT
  public:
    explicit TViewForm(QWidget* parent = nullptr);

    QFrame* Panel1;
    QScrollArea* ScrollBox1;
    TPictureControl* Image1;
    QFrame* Panel2;
    QLabel* urltext;
    QLabel* descriptiontext;
    QPushButton* Button1; // ">"
    QPushButton* Button2; // "<"
    QPushButton* Button3; // "R"
    QMenu* PopupMenu1;
    QAction *SaveAsBMP1, *SetAsWallpaperCentered1, *SetAsWallpaperTiled1, *Zoom1, *ZoomOut1,
        *FitToWindow1, *Close1;
    const TSaveDialogOptions SaveDialog1;

    // Opens the viewer on the current camera's preview, or shows the new
    // picture when it is open already. Without a usable preview (no file, or
    // an empty one) nothing changes. A decoding error is thrown after the
    // scroll position and the natural mode were reset; the picture, size and
    // visibility stay as they were.
    void OpenOnCurrentPreview();
    // Blanks the picture to black at the image control's size with "No
    // preview - Click Refresh" in its middle, and copies the main window's
    // url and description into the caption lines. The caller decides when
    // (the preview panel does it only while the viewer is visible).
    void ShowNoPreview();
    // The picture shown (natural size, whatever the zoom).
    QImage Picture() const { return Image1->Picture(); }

    // The sizing rule for this window on its current screen.
    TViewerLayout Layout() const;

    // Handlers.
    void Image1Click();
    void Close1Click();
    void SaveAsBMP1Click();
    void SetAsWallpaperCentered1Click();
    void SetAsWallpaperTiled1Click();
    void Zoom1Click();
    void ZoomOut1Click();
    void FitToWindow1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void FormResize();
    void FormMouseWheel(int delta);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void BuildKeys();
    // Natural mode, or with "Fit to window" the picture stretched to fit.
    void ApplyFit();
    void ConnectHandlers();
    // Places the panels and labels for a client area of this size.
    void LayOut(QSize client);
    // Sizes the window for the image control and moves it when the size was
    // cut to the work area.
    void SizeToImage();
    void ResetScrollPosition();
    void Zoom(QSize (*step)(QSize));
    void StepCamera(bool next, bool movePointer);
    void CopyCaptions();
    void SetWallpaper(bool tiled);
    void DrawDownloading();
    bool HandleWheel(QWheelEvent* event);
    QSize FrameExtra() const;
    int wheelTurn_ = 0;
};

} // namespace lumisk
