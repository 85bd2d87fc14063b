#pragma once
// The eleven windows of the program. They are created once, hidden, in a
// fixed order and live until the process ends; windows reach each other
// through this registry. Tests create and destroy them around each case.
namespace lumisk {

class TMainForm;
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
    TMainForm* MainForm = nullptr;
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

// Creates every window hidden, in the program's order.
void CreateForms();
// Destroys them all (tests only; the program never destroys a window).
void DestroyForms();

} // namespace lumisk
