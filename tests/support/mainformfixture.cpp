#include "support/mainformfixture.h"

#include "util/datadirectory.h"
#include "util/services.h"

namespace lumisk::test {

void MainFormFixture::SetUp() {
    SetDataDirectory(dir.Path());
    ResetAppState();
    Dialogs().Reset();
    Shell().Opened.clear();
    ExitCount() = 0;
    InstallRecordingServices();
    CreateForms();
}

void MainFormFixture::TearDown() { DestroyForms(); }

void MainFormFixture::WriteCatalogue(const std::vector<TCamera>& cameras) {
    std::string text;
    for (const auto& c : cameras)
        text += c.Description + "\r\n" + c.ImageUrl + "\r\n" + c.WebPage + "\r\n" +
                c.UpdateMinutes + "\r\n" + c.LastModified + "\r\n";
    dir.Write("orvane.dat", text);
}

void MainFormFixture::WriteNumberedCatalogue(int n) {
    std::vector<TCamera> cameras;
    for (int i = 1; i <= n; ++i) {
        std::string k = std::to_string(i);
        cameras.push_back({"Cam " + k, "http://127.0.0.1/cam" + k + ".jpg",
                           i % 2 ? "http://127.0.0.1/page" + k : "", k, ""});
    }
    WriteCatalogue(cameras);
}

void MainFormFixture::WriteKnownVersion(const std::string& extraSettings) {
    dir.Write("orvane.ini",
              "[Settings]\r\nVersion Flag=" + std::string(VersionLine) + "\r\n" + extraSettings);
}

void MainFormFixture::Start() { Main().show(); }

} // namespace lumisk::test
