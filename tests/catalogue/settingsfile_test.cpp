// The settings file carries settings, statistics and the first-run marker
// from one run to the next.
#include "catalogue/settingsfile.h"
#include "util/lumiskerror.h"

#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <optional>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

const std::string kVersion = "Lumisk 1.0";

// What the dialog holds before the load; the counters are deliberately not
// zero so that a load taking them from here shows up.
TSettingsValues DialogState() {
    TSettingsValues v;
    v.ProxyEnabled = false;
    v.ProxyServer = "dialog-proxy";
    v.ProxyPort = "8080";
    v.AutoLoadFavs = true;
    v.DateSkip = false;
    v.Timeout = "3000";
    v.TotalBytes = 99;
    v.TotalImages = 98;
    v.StatsVisible = true;
    v.CurrentCamera = 5;
    return v;
}

// The load's result for a file without keys: dialog settings, counters 0.
TSettingsValues LoadedDefaults() {
    TSettingsValues v = DialogState();
    v.TotalBytes = 0;
    v.TotalImages = 0;
    v.StatsVisible = false;
    v.CurrentCamera = 0;
    return v;
}

void ExpectSameValues(const TSettingsValues& got, const TSettingsValues& want) {
    EXPECT_EQ(got.ProxyEnabled, want.ProxyEnabled);
    EXPECT_EQ(got.ProxyServer, want.ProxyServer);
    EXPECT_EQ(got.ProxyPort, want.ProxyPort);
    EXPECT_EQ(got.AutoLoadFavs, want.AutoLoadFavs);
    EXPECT_EQ(got.DateSkip, want.DateSkip);
    EXPECT_EQ(got.Timeout, want.Timeout);
    EXPECT_EQ(got.TotalBytes, want.TotalBytes);
    EXPECT_EQ(got.TotalImages, want.TotalImages);
    EXPECT_EQ(got.StatsVisible, want.StatsVisible);
    EXPECT_EQ(got.CurrentCamera, want.CurrentCamera);
}

template <typename F> TSettingsValues With(F change) {
    TSettingsValues v = LoadedDefaults();
    change(v);
    return v;
}

} // namespace

struct LoadCase {
    const char* name;
    std::optional<std::string> file; // none: no settings file
    TSettingsValues expected;
    bool firstRun;
};

class SettingsLoad : public testing::TestWithParam<LoadCase> {};

TEST_P(SettingsLoad, ReadsValuesAndDecidesFirstRun) {
    const auto& c = GetParam();
    TTempDir dir;
    if (c.file) dir.Write("orvane.ini", *c.file);
    TSettingsLoadResult r = LoadSettingsFile(dir.File("orvane.ini"), DialogState(), kVersion);
    ExpectSameValues(r.Values, c.expected);
    EXPECT_EQ(r.FirstRun, c.firstRun);
}

const std::string kCurrent = "[Settings]\r\nVersion Flag=" + kVersion + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsLoad,
    testing::Values(
        LoadCase{"missing_file", std::nullopt, LoadedDefaults(), true},
        LoadCase{"same_version", kCurrent, LoadedDefaults(), false},
        LoadCase{"older_version", "[Settings]\r\nVersion Flag=Lumisk 0.9\r\n", LoadedDefaults(),
                 true},
        LoadCase{"version_differs_in_case", "[Settings]\r\nVersion Flag=LUMISK 1.0\r\n",
                 LoadedDefaults(), true},
        LoadCase{"empty_version", "[Settings]\r\nVersion Flag=\r\n", LoadedDefaults(), true},
        LoadCase{"every_key",
                 "[Proxy]\r\nEnabled=1\r\nServer=cache.example\r\nPort=3128\r\n"
                 "[Settings]\r\nAuto-Load Favourites=0\r\nSkip matching date downloads=1\r\n"
                 "Timeout=750\r\nTotal Bytes=123456\r\nTotal Images=12\r\nStats Visible=1\r\n"
                 "Current Camera=3\r\nVersion Flag=" +
                     kVersion + "\r\n",
                 With([](TSettingsValues& v) {
                     v.ProxyEnabled = true;
                     v.ProxyServer = "cache.example";
                     v.ProxyPort = "3128";
                     v.AutoLoadFavs = false;
                     v.DateSkip = true;
                     v.Timeout = "750";
                     v.TotalBytes = 123456;
                     v.TotalImages = 12;
                     v.StatsVisible = true;
                     v.CurrentCamera = 3;
                 }),
                 false},
        LoadCase{"enabled_2_is_true", "[Proxy]\r\nEnabled=2\r\n" + kCurrent,
                 With([](TSettingsValues& v) { v.ProxyEnabled = true; }), false},
        LoadCase{"enabled_yes_is_default", "[Proxy]\r\nEnabled=yes\r\n" + kCurrent,
                 LoadedDefaults(), false},
        LoadCase{"total_bytes_hex", kCurrent + "Total Bytes=0x10\r\n",
                 With([](TSettingsValues& v) { v.TotalBytes = 16; }), false},
        LoadCase{"total_images_bad_is_zero", kCurrent + "Total Images=many\r\n", LoadedDefaults(),
                 false},
        LoadCase{"no_camera_selected", kCurrent + "Current Camera=-1\r\n",
                 With([](TSettingsValues& v) { v.CurrentCamera = -1; }), false},
        LoadCase{"port_and_timeout_not_validated",
                 "[Proxy]\r\nPort=eighty\r\n[Settings]\r\n"
                 "Timeout=soon\r\n",
                 With([](TSettingsValues& v) {
                     v.ProxyPort = "eighty";
                     v.Timeout = "soon";
                 }),
                 true},
        LoadCase{"names_ignore_case",
                 "[proxy]\r\nSERVER=up\r\n[SETTINGS]\r\nversion flag=" + kVersion + "\r\n",
                 With([](TSettingsValues& v) { v.ProxyServer = "up"; }), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsFirstRun, OlderFlagIsRewrittenAtOnce) {
    TTempDir dir;
    const std::string path = dir.File("orvane.ini");
    dir.Write("orvane.ini", "[Settings]\r\nTotal Images=4\r\nVersion Flag=Lumisk 0.9\r\n");
    EXPECT_TRUE(LoadSettingsFile(path, DialogState(), kVersion).FirstRun);
    EXPECT_EQ(dir.Read("orvane.ini"),
              "[Settings]\r\nTotal Images=4\r\nVersion Flag=" + kVersion + "\r\n");
    EXPECT_FALSE(LoadSettingsFile(path, DialogState(), kVersion).FirstRun);
}

TEST(SettingsFirstRun, MissingFileIsCreatedByTheLoad) {
    TTempDir dir;
    LoadSettingsFile(dir.File("orvane.ini"), DialogState(), kVersion);
    EXPECT_EQ(dir.Read("orvane.ini"), kCurrent);
}

TEST(SettingsSave, FirstWrittenFileLayout) {
    TTempDir dir;
    const std::string path = dir.File("orvane.ini");
    LoadSettingsFile(path, TSettingsValues{}, kVersion);
    TSettingsValues v;
    v.TotalBytes = 2048;
    v.TotalImages = 3;
    v.CurrentCamera = -1;
    SaveSettingsFile(path, v);
    EXPECT_EQ(dir.Read("orvane.ini"), "[Settings]\r\n"
                                      "Version Flag=Lumisk 1.0\r\n"
                                      "Auto-Load Favourites=1\r\n"
                                      "Total Bytes=2048\r\n"
                                      "Total Images=3\r\n"
                                      "Stats Visible=0\r\n"
                                      "Skip matching date downloads=1\r\n"
                                      "Timeout=5000\r\n"
                                      "Current Camera=-1\r\n"
                                      "[Proxy]\r\n"
                                      "Enabled=0\r\n"
                                      "Server=proxyserver\r\n"
                                      "Port=80\r\n");
}

TEST(SettingsSave, ExistingKeysReplacedWhereTheyStand) {
    TTempDir dir;
    dir.Write("orvane.ini", "; kept\r\n[settings]\r\nTimeout=1\r\nOther=x\r\n\r\n"
                            "[proxy]\r\nport=1\r\n");
    TSettingsValues v;
    v.Timeout = "2";
    v.ProxyPort = "3";
    SaveSettingsFile(dir.File("orvane.ini"), v);
    EXPECT_EQ(dir.Read("orvane.ini"), "; kept\r\n[settings]\r\nTimeout=2\r\nOther=x\r\n"
                                      "Auto-Load Favourites=1\r\nTotal Bytes=0\r\n"
                                      "Total Images=0\r\nStats Visible=0\r\n"
                                      "Skip matching date downloads=1\r\nCurrent Camera=0\r\n"
                                      "\r\n[proxy]\r\nport=3\r\nEnabled=0\r\n"
                                      "Server=proxyserver\r\n");
}

TEST(SettingsSave, SavedValuesLoadBack) {
    TTempDir dir;
    const std::string path = dir.File("orvane.ini");
    TSettingsValues v;
    v.ProxyEnabled = true;
    v.ProxyServer = "10.0.0.1";
    v.ProxyPort = "3128";
    v.AutoLoadFavs = false;
    v.DateSkip = false;
    v.Timeout = "250";
    v.TotalBytes = 2147483647;
    v.TotalImages = -5;
    v.StatsVisible = true;
    v.CurrentCamera = -1;
    SaveSettingsFile(path, v);
    ExpectSameValues(LoadSettingsFile(path, DialogState(), kVersion).Values, v);
}

TEST(SettingsSave, UnwritableFileThrowsCreateError) {
    TTempDir dir;
    const std::string path = dir.File("missing/orvane.ini");
    EXPECT_THROW(SaveSettingsFile(path, TSettingsValues{}), EFCreateError);
    EXPECT_THROW(LoadSettingsFile(path, TSettingsValues{}, kVersion), EFCreateError);
}
