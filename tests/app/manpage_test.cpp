// The manual page sets the help texts as they are: nothing in them may be
// read by roff as a request or an escape.
#include "app/cli/manpage.h"

#include <gtest/gtest.h>

using namespace lumisk::cli;

TEST(ManPage, HelpTextsAreSetVerbatim) {
    const struct {
        const char* name;
        std::string text, roff;
    } cases[] = {
        {"DotAtLineStartIsNoRequest", "a\n.b\n", ".nf\na\n\\&.b\n.fi\n"},
        {"QuoteAtLineStartIsNoRequest", "'b", ".nf\n\\&'b\n.fi\n"},
        {"DotInsideALineStays", "a.b\n", ".nf\na.b\n.fi\n"},
        {"BackslashIsNoEscape", "C:\\x\n", ".nf\nC:\\ex\n.fi\n"},
        {"OptionsKeepTheirMinus", "--data-dir\n", ".nf\n\\-\\-data\\-dir\n.fi\n"},
        {"LastLineEnded", "abc", ".nf\nabc\n.fi\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoffVerbatim(c.text), c.roff) << c.name;
}

TEST(ManPage, HasEveryCommandAndNoHelpLineBecomesARequest) {
    const std::string page = ManPage("9.9");
    EXPECT_EQ(page.rfind(".TH LUMISK 1 \"\" \"Lumisk 9.9\"", 0), 0u);
    for (const char* command :
         {"list", "add", "remove", "refresh", "grab", "movie", "time", "html"})
        EXPECT_NE(page.find("\n.SS " + std::string(command) + "\n"), std::string::npos) << command;
    // Only the page's own requests start a line with a dot.
    std::size_t at = 0;
    while ((at = page.find("\n.", at)) != std::string::npos) {
        const std::string request = page.substr(at + 1, 3);
        EXPECT_TRUE(request == ".SH" || request == ".SS" || request == ".nf" || request == ".fi")
            << page.substr(at + 1, 40);
        ++at;
    }
}
