#pragma once
// The AVI builder: turns the time-lapse frames of the frames directory into
// an uncompressed movie, shows each frame while it is written, and can then
// delete the frames and open the movie in the desktop's viewer.
//
// Each showing proposes the next free "AVI" + five digits + ".AVI" name in
// the data directory, replacing what was typed. The build runs inside the
// Build click from start to end (there is no Stop) and keeps the window
// alive by processing pending events; the frames per second, the two check
// boxes and the status text keep their values between builds. Errors the
// build does not turn into an error box end the click through the general
// error report. The window owns its controls and lives as long as the program.
#include "viewers/picturecontrol.h"

#include <QCheckBox>
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

    // The target path as bytes.
    std::string TargetPath() const;

    // Handlers.
    void FormShow();
    void Button1Click();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    bool building_ = false;
    // Runs the build routine on the frames directory with this window's
    // status bar, preview and check box.
    void BuildMovie(int framesPerSecond);
};

} // namespace lumisk
