#include "app/cli/removecommand.h"

#include "app/cli/cameramatches.h"
#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "app/cli/datafolder.h"

namespace lumisk::cli {

std::string TRemoveCommand::Summary() const {
    return "remove a camera from the catalogue";
}

std::string TRemoveCommand::Details() const {
    return "Removes the camera whose description is exactly DESCRIPTION (byte for\n"
           "byte, letter case included) from the catalogue, as the Del button of the\n"
           "main window does, and saves the catalogue. Its preview images stay. When\n"
           "no camera or more than one has that description, nothing is removed and\n"
           "the cameras it may have meant are listed.\n";
}

int TRemoveCommand::Run(const TCommandArgs& args, TCommandContext& context) {
    const std::string& description = args.Operand(0);
    std::int32_t removed = 0;
    std::string refusal;
    context.Data().ChangeCatalogue([&](TCatalogue& catalogue) {
        const TCameraMatches matches = TCameraMatches::Find(catalogue, description);
        if (matches.Exact.size() == 1) {
            removed = matches.Exact[0];
            catalogue.Current = removed;
            catalogue.DeleteCurrent();
            catalogue.TouchDescriptions();
            return true;
        }
        if (matches.Exact.size() > 1) {
            refusal = std::to_string(matches.Exact.size()) + " cameras are named \"" + description +
                      "\"; nothing was removed:\n" +
                      TCameraMatches::Listing(catalogue, matches.Exact);
        } else if (matches.Close.empty()) {
            refusal = "no camera is named \"" + description + "\" ('lumisk list' lists them)";
        } else {
            refusal = "no camera is named \"" + description + "\"; did you mean\n" +
                      TCameraMatches::Listing(catalogue, matches.Close);
        }
        return false;
    });
    if (!refusal.empty()) {
        context.Say("remove: " + refusal);
        return kExitUsage;
    }
    context.Print("Removed camera " + std::to_string(removed) + ": " + description + "\n");
    return kExitSuccess;
}

} // namespace lumisk::cli
