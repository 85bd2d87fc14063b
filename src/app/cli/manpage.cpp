#include "app/cli/manpage.h"

#include "app/cli/commandline.h"
#include "app/cli/commandregistry.h"

namespace lumisk::cli {

std::string RoffVerbatim(const std::string& text) {
    std::string roff = ".nf\n";
    bool lineStart = true;
    for (char c : text) {
        // A control character at the start of a line would make it a request.
        if (lineStart && (c == '.' || c == '\'')) roff += "\\&";
        lineStart = c == '\n';
        if (c == '\\')
            roff += "\\e";
        else if (c == '-')
            roff += "\\-";
        else
            roff += c;
    }
    if (!roff.empty() && roff.back() != '\n') roff += '\n';
    return roff + ".fi\n";
}

std::string ManPage(const std::string& version) {
    std::string help = ProgramHelp();
    // The usage line becomes the synopsis; the rest is the description.
    const std::size_t usageEnd = help.find('\n');
    std::string usage = help.substr(0, usageEnd);
    const std::string prefix = "Usage: ";
    if (usage.rfind(prefix, 0) == 0) usage.erase(0, prefix.size());
    std::size_t bodyStart = usageEnd == std::string::npos ? help.size() : usageEnd;
    while (bodyStart < help.size() && help[bodyStart] == '\n')
        ++bodyStart;

    std::string page = ".TH LUMISK 1 \"\" \"Lumisk " + version + "\" \"User Commands\"\n" +
                       ".SH NAME\nlumisk \\- follow public web cameras\n" + ".SH SYNOPSIS\n" +
                       RoffVerbatim(usage) + ".SH DESCRIPTION\n" +
                       RoffVerbatim(help.substr(bodyStart)) + ".SH COMMANDS\n";
    for (const auto& command : TCommandRegistry::All())
        page += ".SS " + command->Name() + "\n" + RoffVerbatim(CommandHelp(*command));
    return page;
}

} // namespace lumisk::cli
