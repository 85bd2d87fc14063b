// Preview lookups from the folder's index: which file each reader takes from
// a folder of mixed-case names and missing previews, and that the index kept
// by the program's own changes answers as one read afresh does while the
// program and others change the folder.
#include "imaging/previewfolder.h"
#include "imaging/previewpaths.h"
#include "support/tempdir.h"
#include "util/datadirectory.h"

#include <QDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

class PreviewFolderTest : public testing::Test {
  protected:
    void SetUp() override {
        SetDataDirectory(dir.Path());
        QDir().mkpath(QString::fromStdString(Folder()));
    }
    std::string Folder() const { return PreviewsDirectory(); }
    // "name" a file, "name/" a directory, "name>target" a link.
    void Make(const std::string& entry) const {
        const std::string path = Folder() + entry;
        if (entry.back() == '/') {
            ::mkdir(path.c_str(), 0755);
        } else if (const auto arrow = entry.find('>'); arrow != std::string::npos) {
            ::symlink(entry.substr(arrow + 1).c_str(), (Folder() + entry.substr(0, arrow)).c_str());
        } else {
            dir.Write("Previews/" + entry, "picture");
        }
    }
    TTempDir dir;
};

struct LookupCase {
    const char* name;
    std::vector<std::string> entries;
    std::string description;
    std::string panel, grid; // the file each reader takes; "" for none
};

class PreviewLookup : public PreviewFolderTest, public testing::WithParamInterface<LookupCase> {};

void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << c.name;
}

} // namespace

TEST_P(PreviewLookup, TakesEachReadersFile) {
    const LookupCase& c = GetParam();
    for (const std::string& entry : c.entries)
        Make(entry);
    const std::string none = PreviewBasePath(c.description);
    EXPECT_EQ(FindPreviewFile(c.description, TPreviewLookup::Panel),
              c.panel.empty() ? none : Folder() + c.panel);
    EXPECT_EQ(FindPreviewFile(c.description, TPreviewLookup::Grid),
              c.grid.empty() ? none : Folder() + c.grid);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, PreviewLookup,
    testing::Values(
        LookupCase{
            "PanelTakesTheJpegGridTheGif", {"Cam.JPG", "Cam.gif"}, "Cam", "Cam.JPG", "Cam.gif"},
        LookupCase{
            "ExtensionOrderBeforeSpelling", {"Cam.Jpg", "Cam.BMP"}, "Cam", "Cam.Jpg", "Cam.BMP"},
        LookupCase{"UpperSpellingThenLowerThenByteOrder",
                   {"Cam.jPg", "Cam.Jpg", "Cam.jpg", "Cam.gIF", "Cam.GiF"},
                   "Cam",
                   "Cam.jpg",
                   "Cam.GiF"},
        LookupCase{"MissingPreviewAmongLikeNames",
                   {"cam.JPG", "Cam 2.JPG", "Cam.JPG.bak", "Cam.JPG/", "Cam.png>nowhere"},
                   "Cam",
                   "",
                   ""},
        LookupCase{
            "LinkToAFileIsOne", {"real.bin", "Cam.gif>real.bin"}, "Cam", "Cam.gif", "Cam.gif"},
        LookupCase{"UnsafeDescriptionUsesItsSafeName", {"a_b.PNG"}, "a/b", "a_b.PNG", "a_b.PNG"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The index follows the folder ----------------------------------------------

TEST_F(PreviewFolderTest, AnswersAsTheFolderReadAfreshAfterEveryChange) {
    const std::string f = Folder();
    const std::string work = dir.File("image.JPG");
    // Known for certain: read once the clock left the folder's last change
    // behind, so that what follows is taken from our own changes.
    auto settle = [&] {
        ASSERT_TRUE(WaitForTheClockToPass(f));
        FindPreviewFile("Other", TPreviewLookup::Grid);
    };
    auto keep = [&](const std::string& name) {
        dir.Write("image.JPG", "picture of " + name);
        ASSERT_TRUE(PreviewFolder().Keep(work, f + name));
    };
    auto write = [&](const std::string& name) { dir.Write("Previews/" + name, name); };
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"AddedBehindOurBack", [&] { write("Cam.jpg"); }},
        {"RenamedBehindOurBack",
         [&] { ::rename((f + "Cam.jpg").c_str(), (f + "Cam.JpG").c_str()); }},
        {"KeptByTheProgram",
         [&] {
             settle();
             keep("Cam.JPG");
         }},
        {"RemovedByTheProgram",
         [&] {
             settle();
             ASSERT_TRUE(RemovePreviewFile(f + "Cam.JPG"));
         }},
        {"AddedBehindOurBackJustBeforeOurOwnChange",
         [&] {
             settle();
             write("Other.gif");
             keep("Other.JPG");
         }},
        {"FolderMadeAgain",
         [&] {
             QDir(QString::fromStdString(f)).removeRecursively();
             QDir().mkpath(QString::fromStdString(f));
             write("cam.BMP");
         }},
    };
    for (const auto& [name, change] : steps) {
        SCOPED_TRACE(name);
        change();
        TPreviewFolder fresh(f);
        auto same = [&](const std::string& camera, std::initializer_list<const char*> order) {
            EXPECT_EQ(PreviewFolder().Find(camera, order), fresh.Find(camera, order)) << camera;
        };
        for (const std::string camera : {"Cam", "cam", "Other"}) {
            same(camera, {"jpg", "bmp", "gif", "png"});
            same(camera, {"bmp", "gif", "jpg", "png"});
        }
    }
}
