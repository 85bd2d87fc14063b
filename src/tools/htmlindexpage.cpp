#include "tools/htmlindexpage.h"

#include "util/fileio.h"
#include "util/urlcredentials.h"

namespace lumisk {

std::vector<std::string> THtmlIndexPage::Lines(const TCatalogue& catalogue) {
    std::vector<std::string> lines = {
        "<html>", "<head>", "</head>",
        R"(<body bgcolor="#000000" text="#FFFFFF" link="#0000FF" vlink="#000080">)"};
    lines.reserve(lines.size() + 3 * static_cast<std::size_t>(catalogue.Count) + 2);
    for (std::int32_t i = 1; i <= catalogue.Count; ++i) {
        const CameraRecord& camera = catalogue.Records[static_cast<std::size_t>(i)];
        lines.push_back("<p>" + camera.Description + "</p>");
        lines.push_back(R"(<a href=")" + AttributeAddress(camera.WebPage) +
                        R"("target="_blank"><IMG src=")" + AttributeAddress(camera.ImageUrl) +
                        R"("></a>)");
        lines.push_back("<hr>");
    }
    lines.push_back("</body>");
    lines.push_back("</html>");
    return lines;
}

std::string THtmlIndexPage::Text(const TCatalogue& catalogue) {
    return JoinTextLines(Lines(catalogue));
}

std::string THtmlIndexPage::AttributeAddress(const std::string& address) {
    std::string out;
    out.reserve(address.size());
    for (char c : WithoutCredentials(address)) {
        switch (c) {
        case '"':
            out += "%22";
            break;
        case '<':
            out += "%3C";
            break;
        case '>':
            out += "%3E";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace lumisk
