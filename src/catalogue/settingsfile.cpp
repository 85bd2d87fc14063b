#include "catalogue/settingsfile.h"

#include "util/datadirectory.h"
#include "util/datafolderlock.h"
#include "util/inifile.h"

#include <limits>

namespace lumisk {

namespace {

const char* const kProxy = "Proxy";
const char* const kSettings = "Settings";
const char* const kTotalBytes = "Total Bytes";
const char* const kTotalImages = "Total Images";

// The file holds a signed 32-bit number: a sum past the limit stays there.
std::int32_t Clamped(std::int64_t value) {
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(value < lo ? lo : value > hi ? hi : value);
}

TTotalCounters ReadCounters(const TIniFile& ini) {
    return {ini.ReadInteger(kSettings, kTotalBytes, 0),
            ini.ReadInteger(kSettings, kTotalImages, 0)};
}

void WriteAll(TIniFile& ini, const TSettingsValues& values) {
    ini.WriteBool(kProxy, "Enabled", values.ProxyEnabled);
    ini.WriteString(kProxy, "Server", values.ProxyServer);
    ini.WriteString(kProxy, "Port", values.ProxyPort);
    ini.WriteBool(kSettings, "Auto-Load Favourites", values.AutoLoadFavs);
    ini.WriteInteger(kSettings, kTotalBytes, values.TotalBytes);
    ini.WriteInteger(kSettings, kTotalImages, values.TotalImages);
    ini.WriteBool(kSettings, "Stats Visible", values.StatsVisible);
    ini.WriteBool(kSettings, "Skip matching date downloads", values.DateSkip);
    ini.WriteString(kSettings, "Timeout", values.Timeout);
    ini.WriteInteger(kSettings, "Current Camera", values.CurrentCamera);
}

} // namespace

std::string SettingsFileName() {
    return DataPath("orvane.ini");
}

TSettingsLoadResult ReadSettingsFile(const std::string& path, const TSettingsValues& dialogDefaults,
                                     const std::string& versionLine) {
    TIniFile ini(path);
    TSettingsLoadResult result;
    TSettingsValues& v = result.Values;
    v.ProxyEnabled = ini.ReadBool(kProxy, "Enabled", dialogDefaults.ProxyEnabled);
    v.ProxyServer = ini.ReadString(kProxy, "Server", dialogDefaults.ProxyServer);
    v.ProxyPort = ini.ReadString(kProxy, "Port", dialogDefaults.ProxyPort);
    v.AutoLoadFavs = ini.ReadBool(kSettings, "Auto-Load Favourites", dialogDefaults.AutoLoadFavs);
    v.DateSkip = ini.ReadBool(kSettings, "Skip matching date downloads", dialogDefaults.DateSkip);
    v.Timeout = ini.ReadString(kSettings, "Timeout", dialogDefaults.Timeout);
    const TTotalCounters counters = ReadCounters(ini);
    v.TotalBytes = counters.TotalBytes;
    v.TotalImages = counters.TotalImages;
    v.StatsVisible = ini.ReadBool(kSettings, "Stats Visible", false);
    v.CurrentCamera = ini.ReadInteger(kSettings, "Current Camera", 0);

    // A new version of the program counts its first start as a first run.
    std::string flag = ini.ReadString(kSettings, "Version Flag", "");
    result.FirstRun = flag.empty() || flag != versionLine;
    result.Unreadable = ini.Unreadable();
    return result;
}

void WriteVersionFlag(const std::string& path, const std::string& versionLine) {
    const TDataFolderLock lock(FolderOfFile(path));
    TIniFile ini(path);
    ini.WriteString(kSettings, "Version Flag", versionLine);
    ini.UpdateFile();
}

TSettingsLoadResult LoadSettingsFile(const std::string& path, const TSettingsValues& dialogDefaults,
                                     const std::string& versionLine) {
    TSettingsLoadResult result = ReadSettingsFile(path, dialogDefaults, versionLine);
    WriteVersionFlag(path, versionLine);
    return result;
}

void SaveSettingsFile(const std::string& path, const TSettingsValues& values) {
    const TDataFolderLock lock(FolderOfFile(path));
    TIniFile ini(path);
    WriteAll(ini, values);
    ini.UpdateFile();
}

void SaveSettingsMerging(const std::string& path, TSettingsValues& values,
                         std::optional<TTotalCounters>& onDisk) {
    const TDataFolderLock lock(FolderOfFile(path));
    TIniFile ini(path);
    TSettingsValues merged = values;
    if (onDisk) {
        // Another program's downloads since the last read are in the file;
        // this process's own are the difference to what it read.
        const TTotalCounters now = ReadCounters(ini);
        merged.TotalBytes =
            Clamped(std::int64_t{now.TotalBytes} + values.TotalBytes - onDisk->TotalBytes);
        merged.TotalImages =
            Clamped(std::int64_t{now.TotalImages} + values.TotalImages - onDisk->TotalImages);
    }
    WriteAll(ini, merged);
    ini.UpdateFile();
    values = merged;
    onDisk = TTotalCounters{merged.TotalBytes, merged.TotalImages};
}

TTotalCounters AddStatisticsToSettingsFile(const std::string& path, std::int64_t bytes,
                                           std::int64_t images) {
    const TDataFolderLock lock(FolderOfFile(path));
    TIniFile ini(path);
    const TTotalCounters now = ReadCounters(ini);
    const TTotalCounters sum{Clamped(now.TotalBytes + bytes), Clamped(now.TotalImages + images)};
    ini.WriteInteger(kSettings, kTotalBytes, sum.TotalBytes);
    ini.WriteInteger(kSettings, kTotalImages, sum.TotalImages);
    ini.UpdateFile();
    return sum;
}

} // namespace lumisk
