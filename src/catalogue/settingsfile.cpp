#include "catalogue/settingsfile.h"

#include "util/inifile.h"

namespace lumisk {

namespace {

const char* const kProxy = "Proxy";
const char* const kSettings = "Settings";

} // namespace

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
    v.TotalBytes = ini.ReadInteger(kSettings, "Total Bytes", 0);
    v.TotalImages = ini.ReadInteger(kSettings, "Total Images", 0);
    v.StatsVisible = ini.ReadBool(kSettings, "Stats Visible", false);
    v.CurrentCamera = ini.ReadInteger(kSettings, "Current Camera", 0);

    // A new version of the program counts its first start as a first run.
    std::string flag = ini.ReadString(kSettings, "Version Flag", "");
    result.FirstRun = flag.empty() || flag != versionLine;
    result.Unreadable = ini.Unreadable();
    return result;
}

void WriteVersionFlag(const std::string& path, const std::string& versionLine) {
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
    TIniFile ini(path);
    ini.WriteBool(kProxy, "Enabled", values.ProxyEnabled);
    ini.WriteString(kProxy, "Server", values.ProxyServer);
    ini.WriteString(kProxy, "Port", values.ProxyPort);
    ini.WriteBool(kSettings, "Auto-Load Favourites", values.AutoLoadFavs);
    ini.WriteInteger(kSettings, "Total Bytes", values.TotalBytes);
    ini.WriteInteger(kSettings, "Total Images", values.TotalImages);
    ini.WriteBool(kSettings, "Stats Visible", values.StatsVisible);
    ini.WriteBool(kSettings, "Skip matching date downloads", values.DateSkip);
    ini.WriteString(kSettings, "Timeout", values.Timeout);
    ini.WriteInteger(kSettings, "Current Camera", values.CurrentCamera);
    ini.UpdateFile();
}

} // namespace lumisk
