#pragma once
// The settings file "orvane.ini" as the program reads and writes it. The
// settings themselves live in the settings dialog; the window hands their
// current values in (as defaults for the load) and takes the result back.
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

// The data folder's settings file, "orvane.ini".
std::string SettingsFileName();

struct TSettingsValues {
    bool ProxyEnabled = false;
    std::string ProxyServer = "proxyserver";
    std::string ProxyPort = "80";
    bool AutoLoadFavs = true;
    bool DateSkip = true;
    std::string Timeout = "5000";
    std::int32_t TotalBytes = 0;
    std::int32_t TotalImages = 0;
    bool StatsVisible = false;
    std::int32_t CurrentCamera = 0; // 0-based drop-down position, -1 for none
};

struct TSettingsLoadResult {
    TSettingsValues Values;
    bool FirstRun = false;
    bool Unreadable = false; // the file is there but was not read: every value is a default
};

// Reads every key; the six dialog settings default to the values in
// dialogDefaults, the counters to 0, "Stats Visible" to false and "Current
// Camera" to 0. Decides FirstRun against versionLine and writes versionLine
// to "Version Flag" (creating the file when missing). Throws EFCreateError
// when the file cannot be written.
TSettingsLoadResult LoadSettingsFile(const std::string& path, const TSettingsValues& dialogDefaults,
                                     const std::string& versionLine);

// The reading half of LoadSettingsFile: nothing is written.
TSettingsLoadResult ReadSettingsFile(const std::string& path, const TSettingsValues& dialogDefaults,
                                     const std::string& versionLine);

// Every write below reads the file again and writes it under the data
// folder's lock (TDataFolderLock; EDataFolderBusy when it is not to be had).

// Writes versionLine to "Version Flag" (creating the file when missing).
void WriteVersionFlag(const std::string& path, const std::string& versionLine);

// Writes every saved key in the save order. Throws EFCreateError.
void SaveSettingsFile(const std::string& path, const TSettingsValues& values);

// "Total Bytes" and "Total Images".
struct TTotalCounters {
    std::int32_t TotalBytes = 0;
    std::int32_t TotalImages = 0;
    bool operator==(const TTotalCounters&) const = default;
};

// The save of a program that holds the counters while others may add to them
// (the windows). onDisk is what the file held when this process last read or
// wrote the counters (none: never, and the counters are written as they
// are). What values counted since then is added to what the file holds now;
// values' counters become the totals written, and onDisk records them. On a
// failure (EFCreateError, EDataFolderBusy) values and onDisk stay as they were.
void SaveSettingsMerging(const std::string& path, TSettingsValues& values,
                         std::optional<TTotalCounters>& onDisk);

// Adds to "Total Bytes" and "Total Images" (a command's downloads), changing
// no other key, and returns the totals written. The sums stay at the largest
// signed 32-bit value instead of wrapping. A missing file is created.
// Throws EFCreateError, EDataFolderBusy.
TTotalCounters AddStatisticsToSettingsFile(const std::string& path, std::int64_t bytes,
                                           std::int64_t images);

} // namespace lumisk
