// The HTML index page: its exact lines, the encoding that keeps an address
// inside its attribute, and the menu action around it (save dialog, write,
// question, shell open).
#include "tools/htmlindexcommand.h"
#include "tools/htmlindexpage.h"
#include "util/lumiskerror.h"

#include "support/mainformfixture.h"

#include <QDir>

using namespace lumisk;
using namespace lumisk::test;

namespace {

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

struct TCameraFields {
    std::string Description, ImageUrl, WebPage;
};

TCatalogue CatalogueOf(const std::vector<TCameraFields>& cameras) {
    TCatalogue catalogue;
    for (const auto& c : cameras) {
        catalogue.Append();
        catalogue.CurrentRecord().SetFields(c.Description, c.ImageUrl, c.WebPage, "5", "");
    }
    return catalogue;
}

const std::vector<std::string> kHead = {
    "<html>", "<head>", "</head>",
    R"(<body bgcolor="#000000" text="#FFFFFF" link="#0000FF" vlink="#000080">)"};
const std::vector<std::string> kTail = {"</body>", "</html>"};

std::vector<std::string> Page(const std::vector<std::string>& cameraLines) {
    std::vector<std::string> lines = kHead;
    lines.insert(lines.end(), cameraLines.begin(), cameraLines.end());
    lines.insert(lines.end(), kTail.begin(), kTail.end());
    return lines;
}

} // namespace

// ---- The lines ----------------------------------------------------------------

struct PageCase {
    std::string name;
    std::vector<TCameraFields> cameras;
    std::vector<std::string> lines;
};

class HtmlPageLines : public testing::TestWithParam<PageCase> {};

TEST_P(HtmlPageLines, ListsEveryCameraInCatalogueOrder) {
    const auto& c = GetParam();
    const TCatalogue catalogue = CatalogueOf(c.cameras);
    EXPECT_EQ(THtmlIndexPage::Lines(catalogue), c.lines);
    EXPECT_EQ(c.lines.size(), 6 + 3 * c.cameras.size());
    std::string text;
    for (const auto& line : c.lines)
        text += line + "\r\n";
    EXPECT_EQ(THtmlIndexPage::Text(catalogue), text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlPageLines,
    testing::Values(
        PageCase{"empty_catalogue_six_lines", {}, Page({})},
        PageCase{
            "two_cameras_twelve_lines",
            {{"Harbour", "http://127.0.0.1/h.jpg", "http://127.0.0.1/harbour"},
             {"Alps", "http://127.0.0.1/a.jpg", "http://127.0.0.1/alps"}},
            Page(
                {"<p>Harbour</p>",
                 R"(<a href="http://127.0.0.1/harbour"target="_blank"><IMG src="http://127.0.0.1/h.jpg"></a>)",
                 "<hr>", "<p>Alps</p>",
                 R"(<a href="http://127.0.0.1/alps"target="_blank"><IMG src="http://127.0.0.1/a.jpg"></a>)",
                 "<hr>"})},
        PageCase{
            "empty_web_page_pieces_meet",
            {{"Cam", "http://127.0.0.1/c.jpg", ""}},
            Page({"<p>Cam</p>",
                  R"(<a href=""target="_blank"><IMG src="http://127.0.0.1/c.jpg"></a>)", "<hr>"})},
        PageCase{"description_markup_and_bytes_unchanged",
                 {{"Tom & <b>Jerry</b> caf\xE9 \"q\"", "", ""}},
                 Page({"<p>Tom & <b>Jerry</b> caf\xE9 \"q\"</p>",
                       R"(<a href=""target="_blank"><IMG src=""></a>)", "<hr>"})},
        PageCase{
            "quote_and_angles_encoded_in_addresses",
            {{"Q", "http://127.0.0.1/a\".jpg?x=<1>",
              "http://127.0.0.1/\"><script>alert(1)</script>"}},
            Page(
                {"<p>Q</p>",
                 R"(<a href="http://127.0.0.1/%22%3E%3Cscript%3Ealert(1)%3C/script%3E"target="_blank"><IMG src="http://127.0.0.1/a%22.jpg?x=%3C1%3E"></a>)",
                 "<hr>"})},
        PageCase{"other_address_characters_unchanged",
                 {{"A", "http://127.0.0.1/a b.jpg?x=1&y='2'%20", "http://127.0.0.1/\xE9"}},
                 Page({"<p>A</p>",
                       "<a href=\"http://127.0.0.1/\xE9\"target=\"_blank\"><IMG "
                       "src=\"http://127.0.0.1/a b.jpg?x=1&y='2'%20\"></a>",
                       "<hr>"})}),
    CaseName<PageCase>);

// ---- The menu action --------------------------------------------------------------

struct RunCase {
    std::string name;
    std::optional<std::string> answer; // file name chosen in the temp dir; none: cancel
    bool openIt;
    std::string written; // "" when nothing is written
};

class HtmlIndexAction : public MainFormFixture, public testing::WithParamInterface<RunCase> {};

TEST_P(HtmlIndexAction, WritesThePageAndOpensItOnYes) {
    const auto& c = GetParam();
    const TCatalogue catalogue =
        CatalogueOf({{"Harbour", "http://127.0.0.1/h.jpg", "http://127.0.0.1/harbour"}});
    if (c.answer) Dialogs().SaveAnswers = {QString::fromStdString(dir.File(*c.answer))};
    Dialogs().ConfirmAnswers = {c.openIt};
    dir.Write("existing.htm", "an older and much longer page than the new one\r\n");
    THtmlIndexCommand command;
    command.Run(catalogue);

    ASSERT_EQ(Dialogs().SaveRequests.size(), 1u);
    const TSaveDialogOptions& o = Dialogs().SaveRequests[0];
    EXPECT_EQ(o.Title, "Name for HTM index file?");
    EXPECT_EQ(o.DefaultExt, "htm");
    EXPECT_EQ(o.FileName, "orvane.htm");
    EXPECT_EQ(o.Filter, "HTM Files (*.htm)");
    EXPECT_EQ(o.InitialDir, QDir::homePath());
    if (!c.answer) {
        EXPECT_EQ(Dialogs().Shown.size(), 1u); // only the save dialog
        EXPECT_FALSE(dir.Exists("orvane.htm"));
        EXPECT_TRUE(Shell().Opened.isEmpty());
        return;
    }
    const QString written = QString::fromStdString(dir.File(c.written));
    EXPECT_EQ(dir.Read(c.written), THtmlIndexPage::Text(catalogue));
    EXPECT_EQ(Dialogs().Texts("Confirm"),
              std::vector<QString>{"HTM file created.  Do you want to open it now?"});
    EXPECT_EQ(Shell().Opened, c.openIt ? QStringList{written} : QStringList{});
    // The next use offers the name chosen this time.
    command.Run(catalogue);
    ASSERT_EQ(Dialogs().SaveRequests.size(), 2u);
    EXPECT_EQ(Dialogs().SaveRequests[1].FileName, written);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HtmlIndexAction,
    testing::Values(RunCase{"cancel_writes_nothing", std::nullopt, false, ""},
                    RunCase{"yes_opens_the_file", "page.htm", true, "page.htm"},
                    RunCase{"no_only_writes", "page.htm", false, "page.htm"},
                    RunCase{"existing_file_replaced", "existing.htm", false, "existing.htm"},
                    RunCase{"name_without_extension_gets_htm", "index", true, "index.htm"}),
    CaseName<RunCase>);

class HtmlIndexFailure : public MainFormFixture {};

TEST_F(HtmlIndexFailure, FileThatCannotBeWrittenAsksNothing) {
    const std::string path = dir.File("no such folder/orvane.htm");
    Dialogs().SaveAnswers = {QString::fromStdString(path)};
    Dialogs().ConfirmAnswers = {true};
    THtmlIndexCommand command;
    try {
        command.Run(CatalogueOf({}));
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + path);
    }
    EXPECT_TRUE(Dialogs().Texts("Confirm").empty());
    EXPECT_TRUE(Shell().Opened.isEmpty());
}
