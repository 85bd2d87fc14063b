#pragma once
// The statistics window: bytes and images downloaded, in this run and over
// all runs, and the disk space of the previews. It keeps no data: a refresh
// reads the counters in App() and the previews folder's disk space as
// TPreviewFolder knows it; showing it walks the folder again. Its close box
// only hides it.
#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <cstdint>

namespace lumisk {

class TStatsForm : public QWidget {
    Q_OBJECT
  public:
    explicit TStatsForm(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel* Label2; // bytes this session (top line)
    QLabel* Label1; // total bytes
    QLabel* Label3; // images this session
    QLabel* Label4; // total images
    QLabel* Label5; // preview disk space

    // Sets the five texts from the counters and the previews directory, shown
    // or not (the download pipeline calls it after counting bytes).
    void RefreshStatistics();
    void FormShow();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void SetTexts(std::int64_t previewDiskSpace);
};

} // namespace lumisk
