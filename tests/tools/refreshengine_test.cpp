// The batch refresh engine without any window, downloading through the fetch
// pool as the command does: which cameras each style picks, what every kind
// of answer counts as and the reason a failure gives, what is kept for the
// catalogue and the statistics, and a stop in the middle of a download.
// Served by nginx, our fault server and a server that never answers.
#include "imaging/imagefixtures.h"
#include "support/faultserver.h"
#include "support/nginxserver.h"
#include "support/silentserver.h"
#include "support/tempdir.h"
#include "tools/poolrefreshdownloader.h"
#include "tools/refreshengine.h"
#include "util/datadirectory.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

using TKind = TRefreshOutcome::TKind;

const std::string kServed = EncodeJpeg(CameraPicture(64, 48));
const std::string kBlack = EncodeJpeg(SolidPicture(16, 16, Qt::black));
const std::string kMidGrey = EncodeJpeg(SolidPicture(16, 16, QColor(128, 128, 128)));
const std::string kDated = "Mon, 07 Nov 1994 08:49:37 GMT";

struct TCam {
    std::string Description, Url, LastModified;
};

// What the engine tells, in order: failures and the last counts.
struct TRecorder : IRefreshObserver {
    std::vector<std::string> Failed;
    TRefreshCounts Last;
    std::vector<std::string> Statuses;
    std::function<void(const TRefreshCounts&)> OnCounts;
    void RefreshFailed(const std::string& d, const std::string& reason) override {
        Failed.push_back(d + ": " + reason);
    }
    void RefreshCounts(const TRefreshCounts& c) override {
        Last = c;
        if (OnCounts) OnCounts(c);
    }
    void RefreshStatus(const std::string& text) override { Statuses.push_back(text); }
};

class RefreshEngine : public testing::Test {
  protected:
    void SetUp() override {
        if (!TNginx::Available()) GTEST_SKIP() << TNginx::SkipReason;
        SetDataDirectory(dir.Path());
        QDir().mkpath(QString::fromStdString(dir.File("Previews")));
        QDir().mkpath(QString::fromStdString(www.Path()));
        nginx = std::make_unique<TNginx>(www.Path());
        settings.Timeout = "500";
    }
    TRefreshSummary Run(const std::vector<TCam>& cams, TRefreshStyle style, int jobs = 4) {
        TCatalogue catalogue;
        for (const TCam& c : cams) {
            catalogue.Append();
            catalogue.CurrentRecord().SetFields(c.Description, c.Url, "", "", c.LastModified);
        }
        engine = std::make_unique<TRefreshEngine>(recorder);
        downloader = std::make_unique<TPoolRefreshDownloader>(catalogue, settings, jobs, 2,
                                                              [this] { poll(*engine); });
        return engine->Run(style, *downloader);
    }
    // Cameras "Cam 1".."Cam n", each served kServed by nginx.
    std::vector<TCam> Numbered(int n) {
        std::vector<TCam> cams;
        for (int i = 1; i <= n; ++i) {
            www.Write("cam" + std::to_string(i) + ".jpg", kServed);
            cams.push_back(
                {"Cam " + std::to_string(i), nginx->Url("/cam" + std::to_string(i) + ".jpg"), ""});
        }
        return cams;
    }
    bool Refreshed(int k) {
        const std::string name = "Previews/Cam " + std::to_string(k) + ".JPG";
        return dir.Exists(name) && dir.Read(name) == kServed;
    }
    QStringList WorkFiles() {
        return QDir(QString::fromStdString(dir.Path())).entryList({"image.*"}, QDir::Files);
    }

    TTempDir dir, www;
    std::unique_ptr<TNginx> nginx;
    TSettingsValues settings;
    TRecorder recorder;
    std::unique_ptr<TRefreshEngine> engine;
    std::unique_ptr<TPoolRefreshDownloader> downloader;
    std::function<void(TRefreshEngine&)> poll = [](TRefreshEngine&) {};
};

// ---- Styles ----------------------------------------------------------------------

struct StyleCase {
    const char* name;
    TRefreshStyle style;
    std::vector<std::pair<std::string, std::string>> previews; // file, bytes
    std::vector<int> refreshed;
    int removed;
};

class RefreshEngineStyle : public RefreshEngine, public testing::WithParamInterface<StyleCase> {};

TEST_P(RefreshEngineStyle, DownloadsExactlyTheSelectedCameras) {
    const StyleCase& c = GetParam();
    for (const auto& [file, bytes] : c.previews)
        dir.Write("Previews/" + file, bytes);
    const TRefreshSummary s = Run(Numbered(5), c.style);
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(Refreshed(k), std::count(c.refreshed.begin(), c.refreshed.end(), k) == 1) << k;
    const auto n = static_cast<std::int32_t>(c.refreshed.size());
    EXPECT_EQ(s.Counts.Updated, n);
    EXPECT_EQ(s.Counts.Visited, 5);
    EXPECT_EQ(s.Counts.Removed, c.removed);
    EXPECT_EQ(downloader->Images(), n);
    EXPECT_EQ(downloader->Bytes(), n * static_cast<std::int64_t>(kServed.size()));
    EXPECT_EQ(recorder.Statuses.back().rfind(std::to_string(n) + " updated in 00:00:", 0), 0u);
    EXPECT_TRUE(WorkFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Styles, RefreshEngineStyle,
    testing::Values(
        StyleCase{"All", TRefreshStyle::AllPreviews, {{"Gone.JPG", kBlack}}, {1, 2, 3, 4, 5}, 1},
        // A bitmap is removed first, so its camera has no preview.
        StyleCase{"Missing",
                  TRefreshStyle::WithoutPreview,
                  {{"Cam 1.JPG", kMidGrey}, {"Cam 3.BMP", "x"}, {"Cam 4.png", "x"}},
                  {2, 3, 5},
                  1},
        StyleCase{"Dark",
                  TRefreshStyle::DarkShaded,
                  {{"Cam 1.JPG", kBlack}, {"Cam 2.JPG", kMidGrey}, {"Cam 5.JPG", kBlack}},
                  {1, 5},
                  0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- What each answer counts as ------------------------------------------------------

struct AnswerCase {
    const char* name;
    std::string where; // "nginx" or "faults" and a path, or "silent"
    TKind kind;
    std::string reason; // of a failure
    bool newDate;       // the record's date changes
};

class RefreshEngineAnswer : public RefreshEngine, public testing::WithParamInterface<AnswerCase> {};

TEST_P(RefreshEngineAnswer, CountsListsAndKeepsAsAViewWould) {
    const AnswerCase& c = GetParam();
    TFaultServer faults;
    TSilentServer silent;
    www.Write("good.jpg", kServed);
    faults.On("HEAD", "/same", TFaultReply::Ok("", "Last-Modified: " + kDated + "\r\n"));
    faults.On("GET", "/cut", TFaultReply::Ok(kServed.substr(0, kServed.size() - 2)));
    // The skipped camera keeps its date only while it has a preview.
    dir.Write("Previews/Cam.JPG", kMidGrey);
    const std::string w = c.where, path = w.substr(w.find(' ') + 1);
    const std::string url = w.rfind("nginx", 0) == 0    ? nginx->Url(path)
                            : w.rfind("faults", 0) == 0 ? faults.Url(path)
                                                        : silent.Url("/a.jpg");
    const TRefreshSummary s = Run({{"Cam", url, kDated}}, TRefreshStyle::AllPreviews);

    EXPECT_EQ(s.Counts.Updated, c.kind == TKind::Updated ? 1 : 0);
    EXPECT_EQ(s.Counts.Skipped, c.kind == TKind::Skipped ? 1 : 0);
    EXPECT_EQ(s.Counts.Failed, c.kind == TKind::Failed ? 1 : 0);
    if (c.kind == TKind::Failed) {
        EXPECT_EQ(recorder.Failed, std::vector<std::string>{"Cam: " + c.reason});
        ASSERT_EQ(s.Failed.size(), 1u);
        EXPECT_EQ(s.Failed[0].second, c.reason);
        EXPECT_EQ(dir.Read("Previews/Cam.JPG"), kMidGrey);
    }
    EXPECT_EQ(recorder.Last.Failed, s.Counts.Failed); // the failure came before its count
    EXPECT_EQ(downloader->Dates().size(), c.newDate ? 1u : 0u);
    if (c.newDate) {
        EXPECT_NE(downloader->Dates()[0].LastModified, kDated);
    }
    EXPECT_EQ(downloader->Images(), c.kind == TKind::Updated ? 1 : 0);
    EXPECT_TRUE(WorkFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RefreshEngineAnswer,
    testing::Values(AnswerCase{"Image", "nginx /good.jpg", TKind::Updated, "", true},
                    AnswerCase{"SameDate", "faults /same", TKind::Skipped, "", false},
                    AnswerCase{"NotFound", "nginx /nothing.jpg", TKind::Failed, "HTTP 404", false},
                    AnswerCase{"NeverAnswers", "silent", TKind::Failed, "time-out", false},
                    // The record keeps the date check's text, as after a View.
                    AnswerCase{"JpegCutShort", "faults /cut", TKind::Failed, "incomplete JPEG",
                               true}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Stopping and errors -------------------------------------------------------------

TEST_F(RefreshEngine, StopDuringADownloadAbandonsItAndStartsNoMore) {
    TFaultServer server;
    TFaultReply drip = TFaultReply::Ok(std::string(4000000, 'x'));
    drip.ChunkBytes = 1000;
    drip.ChunkDelayMs = 20; // 80 seconds if nobody stops it
    server.On("GET", "/slow", drip);
    server.On("", "/never", TFaultReply::Ok(kServed));
    www.Write("first.jpg", kServed);
    dir.Write("Previews/Slow.JPG", kMidGrey);
    const auto started = std::chrono::steady_clock::now();
    poll = [&](TRefreshEngine& engine) {
        if (!engine.StopRequested() && server.RequestCount() >= 2) engine.RequestStop();
    };
    const TRefreshSummary s = Run({{"First", nginx->Url("/first.jpg"), ""},
                                   {"Slow", server.Url("/slow"), ""},
                                   {"Never", server.Url("/never"), ""}},
                                  TRefreshStyle::AllPreviews, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_TRUE(s.Stopped);
    EXPECT_EQ(s.Counts.Updated, 1);
    EXPECT_EQ(s.Counts.Failed, 0);
    EXPECT_EQ(s.Counts.Visited, 1);
    EXPECT_EQ(recorder.Statuses.back(), "Preview update stopped");
    for (const TFaultRequest& r : server.Requests())
        EXPECT_NE(r.Target, "/never");
    EXPECT_EQ(dir.Read("Previews/Slow.JPG"), kMidGrey);
    EXPECT_TRUE(WorkFiles().isEmpty());
    EXPECT_EQ(downloader->Dates().size(), 1u);
}

TEST_F(RefreshEngine, UndecodableDarkPreviewEndsTheRunAndLeavesTheEngineIdle) {
    dir.Write("Previews/Cam 1.JPG", kBlack);
    dir.Write("Previews/Cam 2.JPG", "");
    bool queued = false;
    poll = [&](TRefreshEngine&) { queued = true; };
    EXPECT_THROW(Run(Numbered(2), TRefreshStyle::DarkShaded), std::exception);
    EXPECT_TRUE(queued); // the first camera was on its way
    EXPECT_FALSE(engine->Running());
}

} // namespace
