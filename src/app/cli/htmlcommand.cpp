#include "app/cli/htmlcommand.h"

#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "app/cli/datafolder.h"
#include "tools/htmlindexpage.h"
#include "util/fileio.h"

namespace lumisk::cli {

std::string THtmlCommand::Summary() const {
    return "write the catalogue as an HTML index page";
}

std::string THtmlCommand::Details() const {
    return "Writes a web page with every camera's description and live image, linked\n"
           "to its web page, in catalogue order: the page the main window's \"Create\n"
           "HTML index page\" writes.\n";
}

std::vector<TOption> THtmlCommand::Options() const {
    return {{"--out", "FILE", "the page's file (default orvane.htm in the current folder)"}};
}

int THtmlCommand::Run(const TCommandArgs& args, TCommandContext& context) {
    const std::string path = args.Text("--out", "orvane.htm");
    if (path.empty()) throw EUsageError("--out needs a file");
    const TCatalogue& catalogue = context.Data().LoadCatalogue();
    WriteFileReplacing(path, THtmlIndexPage::Text(catalogue));
    context.Print("Wrote " + path + ": " + std::to_string(catalogue.Count) + " camera(s)\n");
    return kExitSuccess;
}

} // namespace lumisk::cli
