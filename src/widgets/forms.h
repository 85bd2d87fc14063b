#pragma once
// The eleven windows of the program. They are created once, hidden, in a
// fixed order and live until the process ends; windows reach each other
// through this registry. The program's entry creates them (and tests create
// and destroy them around each case); the registry only points at them.
namespace lumisk {

class IMainWindow;
class TViewForm;
class TTimeLapseForm;
class TRefreshPreviews;
class TAVIBuildForm;
class TAbout;
class TSettings;
class TFavManager;
class TStatsForm;
class TThumbnailForm;
class TTimeClient;

struct TForms {
    IMainWindow* MainForm = nullptr;
    TViewForm* ViewForm = nullptr;
    TTimeLapseForm* TimeLapseForm = nullptr;
    TRefreshPreviews* RefreshPreviews = nullptr;
    TAVIBuildForm* AVIBuildForm = nullptr;
    TAbout* About = nullptr;
    TSettings* Settings = nullptr;
    TFavManager* FavManager = nullptr;
    TStatsForm* StatsForm = nullptr;
    TThumbnailForm* ThumbnailForm = nullptr;
    TTimeClient* TimeClient = nullptr;
};

TForms& Forms();

} // namespace lumisk
