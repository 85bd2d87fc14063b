// Setting the wallpaper: the exact gsettings commands (recorded, never run),
// the silence without gsettings, and the installed setter's use.
#include "imaging/gnomewallpaper.h"
#include "imaging/wallpaper.h"
#include "support/tempdir.h"
#include "util/events.h"
#include "util/services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumisk;

namespace {

using TCommand = std::vector<std::string>;

struct TRecorder {
    std::vector<TCommand> Commands;
    std::vector<std::string> LookedUp;
    std::string Found = "/usr/bin/gsettings";

    TGnomeWallpaper Setter() {
        return TGnomeWallpaper(
            [this](const std::string& name) {
                LookedUp.push_back(name);
                return Found;
            },
            [this](const std::string& program, const std::vector<std::string>& args) {
                TCommand c{program};
                c.insert(c.end(), args.begin(), args.end());
                Commands.push_back(c);
            });
    }
};

struct CommandCase {
    const char* name;
    std::string path;
    bool tiled;
    std::string uri;
    const char* options;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class GnomeWallpaper : public testing::TestWithParam<CommandCase> {};

TEST_P(GnomeWallpaper, RunsThreeGsettingsCommands) {
    TRecorder r;
    r.Setter().SetWallpaper(GetParam().path, GetParam().tiled);
    const std::string g = "/usr/bin/gsettings", schema = "org.gnome.desktop.background";
    EXPECT_EQ(r.LookedUp, std::vector<std::string>{"gsettings"});
    EXPECT_EQ(r.Commands,
              (std::vector<TCommand>{{g, "set", schema, "picture-uri", GetParam().uri},
                                     {g, "set", schema, "picture-uri-dark", GetParam().uri},
                                     {g, "set", schema, "picture-options", GetParam().options}}));
}

std::string Cwd() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GnomeWallpaper,
    testing::Values(CommandCase{"centred", "/home/u/LMK00000.BMP", false,
                                "file:///home/u/LMK00000.BMP", "centered"},
                    CommandCase{"tiled", "/home/u/LMK00001.BMP", true,
                                "file:///home/u/LMK00001.BMP", "wallpaper"},
                    CommandCase{"bytes_percent_encoded", "/tmp/my cam's 100%\xE9.bmp", false,
                                "file:///tmp/my%20cam%27s%20100%25%E9.bmp", "centered"},
                    CommandCase{"relative_path_made_absolute", "LMK00002.BMP", true,
                                "file://" + Cwd() + "/LMK00002.BMP", "wallpaper"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GnomeWallpaperMissing, ChangesNothingWithoutGsettings) {
    TRecorder r;
    r.Found = "";
    r.Setter().SetWallpaper("/tmp/x.bmp", true);
    EXPECT_TRUE(r.Commands.empty());
}

TEST(GnomeWallpaperRunner, PassesEachArgumentWhole) {
    // A stand-in for gsettings that writes its arguments one per line.
    lumisk::test::TTempDir dir;
    dir.Write("gsettings",
              "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> \"$0.log\"\n");
    ASSERT_EQ(::chmod(dir.File("gsettings").c_str(), 0755), 0);
    TGnomeWallpaper setter([&](const std::string&) { return dir.File("gsettings"); },
                           TGnomeWallpaper::RunAndWait);
    setter.SetWallpaper("/w/my cam.BMP", false);
    const std::string uri = "file:///w/my%20cam.BMP", schema = "org.gnome.desktop.background";
    EXPECT_EQ(dir.Read("gsettings.log"), "set\n" + schema + "\npicture-uri\n" + uri + "\nset\n" +
                                             schema + "\npicture-uri-dark\n" + uri + "\nset\n" +
                                             schema + "\npicture-options\ncentered\n");
}

struct TSetterRecorder : IWallpaperSetter {
    std::vector<std::pair<std::string, bool>> Calls;
    void SetWallpaper(const std::string& path, bool tiled) override {
        Calls.emplace_back(path, tiled);
    }
};

TEST(DesktopWallpaper, CallsTheInstalledSetterThenYields) {
    TSetterRecorder setter;
    std::vector<std::string> order;
    IWallpaperSetter* old = Services().Wallpaper;
    Services().Wallpaper = &setter;
    SetPendingEventsHook(
        [&] { order.push_back(setter.Calls.empty() ? "events" : "events after"); });
    SetDesktopWallpaper("/w/LMK00000.BMP", true);
    Services().Wallpaper = nullptr;
    SetDesktopWallpaper("/w/LMK00001.BMP", false); // no setter: nothing happens
    SetPendingEventsHook(nullptr);
    Services().Wallpaper = old;
    EXPECT_EQ(setter.Calls, (std::vector<std::pair<std::string, bool>>{{"/w/LMK00000.BMP", true}}));
    EXPECT_EQ(order, (std::vector<std::string>{"events after", "events after"}));
}

} // namespace
