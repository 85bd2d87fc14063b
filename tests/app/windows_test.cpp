// The windows besides the main one: created hidden in the program's order,
// the settings dialog's defaults and OK, the About window.
#include "app/about.h"
#include "catalogue/settings.h"
#include "support/mainformfixture.h"

#include <QApplication>

using namespace lumisk;
using namespace lumisk::test;

class Windows : public MainFormFixture {};

TEST_F(Windows, ElevenWindowsExistHiddenWithTheirCaptions) {
    const std::pair<QString, QString> expected[] = {
        {"TMainForm", "Lumisk"},
        {"TViewForm", "Image Viewer"},
        {"TTimeLapseForm", "Time Lapse AVI Builder"},
        {"TRefreshPreviews", "Preview Images Refresh"},
        {"TAVIBuildForm", "AVI Builder"},
        {"TAbout", "About"},
        {"TSettings", "Settings"},
        {"TFavManager", "Favorites Manager"},
        {"TStatsForm", "Statistics"},
        {"TThumbnailForm", "Camera thumbnail previews - Click image to load camera"},
        {"TTimeClient", "Internet Time Check"}};
    for (const auto& [name, caption] : expected) {
        QWidget* found = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->objectName() == name) found = t;
        ASSERT_NE(found, nullptr) << name.toStdString();
        EXPECT_EQ(found->windowTitle(), caption);
        EXPECT_FALSE(found->isVisible()) << name.toStdString();
    }
}

TEST_F(Windows, SettingsDialogStartsWithItsDefaultsAndOkOnlyHides) {
    TSettings& s = *Forms().Settings;
    EXPECT_FALSE(s.EnableProxy->isChecked());
    EXPECT_EQ(s.proxyserver->text(), "proxyserver");
    EXPECT_EQ(s.proxyserverport->text(), "80");
    EXPECT_EQ(s.timeout->text(), "5000");
    EXPECT_TRUE(s.AutoLoadFavs->isChecked());
    EXPECT_TRUE(s.DateSkip->isChecked());
    EXPECT_EQ(s.size(), QSize(246, 151));
    s.show();
    s.timeout->setText("abc"); // nothing is validated on OK
    s.Button1->click();
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(s.Values().Timeout, "abc");
}

TEST_F(Windows, AboutLinkOpensTheWebPageAndOkHides) {
    TAbout& about = *Forms().About;
    Main().About1->trigger();
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(about.Version->text(), QString::fromLatin1(VersionLine));
    // The folder in use, whole in the tip and in the line as far as it fits.
    const QString folder = QString::fromStdString(dir.Path()).chopped(1);
    EXPECT_EQ(about.DataFolder->toolTip(), folder);
    const QFontMetrics metrics = about.DataFolder->fontMetrics();
    EXPECT_LE(metrics.horizontalAdvance(about.DataFolder->text()), about.DataFolder->width());
    if (metrics.horizontalAdvance("Data folder: " + folder) <= about.DataFolder->width()) {
        EXPECT_EQ(about.DataFolder->text(), "Data folder: " + folder);
    }
    about.LinkClick();
    EXPECT_EQ(Shell().Opened, QStringList{TAbout::WebPage});
    about.OKButton->click();
    EXPECT_FALSE(about.isVisible());
}
