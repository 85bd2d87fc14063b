#pragma once
// The AVI builder: turns the time-lapse frames of the frames directory into
// an uncompressed AVI movie or, when chosen under "Movie format", an H.264
// MP4 of the quality in "Quality (CRF)"; shows each frame while it is
// written, and can then delete the frames and open the movie in the
// desktop's viewer.
//
// Each showing proposes the next free name of the chosen format in the data
// directory (AVI00000.AVI, ... or MOV00000.MP4, ...), replacing what was
// typed. Choosing the other format proposes that format's name when the
// proposed one is still there, and otherwise swaps a typed name's ".avi" or
// ".mp4" for the other. The build runs inside the Build click from start to
// end (there is no Stop) and keeps the window alive by processing pending
// events, the format choice locked meanwhile; the frames per second, the
// format, its quality, the two check boxes and the status text keep their
// values between builds. Errors the build does not turn into an error box
// end the click through the general error report. The window owns its
// controls and lives as long as the program.
#include "tools/avibuilder.h"
#include "viewers/picturecontrol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>

namespace lumisk {

class TAVIBuildForm : public QWidget {
    Q_OBJECT
  public:
    explicit TAVIBuildForm(QWidget* parent = nullptr);

    QLabel* Label5;
    QLineEdit* TargetFileName;
    QLabel* Label4;
    QLineEdit* AVIFPS;
    QCheckBox* delframes;
    QCheckBox* CheckBox1;
    QPushButton* Button1;
    QFrame* Panel1;
    TPictureControl* PreviewImage;
    QStatusBar* stats;
    QLabel* Label6;
    QComboBox* MovieFormat; // "AVI (uncompressed)" (the default), "MP4 (H.264)"
    QLabel* Label7;
    QLineEdit* MP4CRF; // enabled with MP4 only

    // The target path as bytes.
    std::string TargetPath() const;
    // The format chosen.
    TMovieKind Kind() const;

    // Handlers.
    void FormShow();
    void Button1Click();
    void MovieFormatChange();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool building_ = false;
    TMovieKind shownKind_ = TMovieKind::Avi;
    QString proposed_; // the name proposed last
    void ProposeName();
    // Runs the build routine on the frames directory with this window's
    // status bar, preview and check box.
    void BuildMovie(int framesPerSecond, int crf);
};

} // namespace lumisk
