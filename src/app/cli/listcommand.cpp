#include "app/cli/listcommand.h"

#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "app/cli/datafolder.h"
#include "util/urlcredentials.h"

namespace lumisk::cli {

std::string TListCommand::Summary() const {
    return "list the cameras of the catalogue";
}

std::string TListCommand::Details() const {
    return "Writes one line per camera, in the order of the catalogue: its description\n"
           "and the address of its image, separated by a tab, byte for byte as they\n"
           "are stored in orvane.dat, except that addresses never show a user name and\n"
           "password.\n";
}

std::vector<TOption> TListCommand::Options() const {
    return {{"--long", "",
             "also the web page, the minutes between the camera's updates and the\n"
             "server's date of the last image downloaded, in that order"}};
}

int TListCommand::Run(const TCommandArgs& args, TCommandContext& context) {
    const bool long_ = args.Has("--long");
    const TCatalogue& catalogue = context.Data().LoadCatalogue();
    std::string text;
    for (std::int32_t slot = 1; slot <= catalogue.Count; ++slot) {
        const CameraRecord& r = catalogue.Records[static_cast<std::size_t>(slot)];
        text += r.Description + '\t' + WithoutCredentials(r.ImageUrl);
        if (long_)
            text += '\t' + WithoutCredentials(r.WebPage) + '\t' + r.UpdateMinutes + '\t' +
                    r.LastModified;
        text += '\n';
    }
    context.Print(text);
    return kExitSuccess;
}

} // namespace lumisk::cli
