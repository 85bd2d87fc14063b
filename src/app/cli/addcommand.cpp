#include "app/cli/addcommand.h"

#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "app/cli/datafolder.h"
#include "util/bytetext.h"

namespace lumisk::cli {

namespace {

// The catalogue would cut or change such a text silently; the user is told
// instead.
void CheckField(const std::string& name, const std::string& text, std::size_t capacity,
                bool required) {
    if (required && text.empty()) throw EUsageError(name + " is empty");
    if (text.find_first_of("\r\n") != std::string::npos)
        throw EUsageError(name + " holds a line break; each field of a camera is one line");
    if (text.size() > capacity)
        throw EUsageError(name + " is " + std::to_string(text.size()) +
                          " bytes long; the catalogue keeps at most " + std::to_string(capacity));
}

} // namespace

std::string TAddCommand::Summary() const {
    return "add a camera to the catalogue";
}

std::string TAddCommand::Details() const {
    return "Adds a camera at the end of the catalogue, as the Add button of the main\n"
           "window does, and saves the catalogue. DESCRIPTION names the camera; no\n"
           "other camera may have it (letter case aside). ADDRESS is the address of\n"
           "the camera's still image. Each text is kept byte for byte; a description,\n"
           "address or web page holds at most 150 bytes.\n";
}

std::vector<TOption> TAddCommand::Options() const {
    return {{"--page", "URL", "the camera's web page"},
            {"--every", "MINUTES",
             "how often the camera renews its image, in whole minutes\n"
             "(left empty when not given, as the window leaves it)"}};
}

int TAddCommand::Run(const TCommandArgs& args, TCommandContext& context) {
    const std::string& description = args.Operand(0);
    const std::string& address = args.Operand(1);
    const std::string page = args.Text("--page");
    const std::string every = args.Text("--every");
    CheckField("DESCRIPTION", description, CameraRecord::kDescriptionCapacity, true);
    CheckField("ADDRESS", address, CameraRecord::kImageUrlCapacity, true);
    CheckField("--page", page, CameraRecord::kWebPageCapacity, false);
    if (args.Has("--every") &&
        (every.empty() || every.size() > CameraRecord::kUpdateMinutesCapacity ||
         every.find_first_not_of("0123456789") != std::string::npos))
        throw EUsageError("--every needs a whole number of minutes (at most 10 digits), not '" +
                          every + "'");

    std::int32_t added = 0;
    std::string refusal;
    context.Data().ChangeCatalogue([&](TCatalogue& catalogue) {
        const QString folded = BytesToDisplay(description).toCaseFolded();
        for (std::int32_t slot = 1; slot <= catalogue.Count; ++slot) {
            const std::string& other =
                catalogue.Records[static_cast<std::size_t>(slot)].Description;
            if (BytesToDisplay(other).toCaseFolded() == folded) {
                refusal = "camera " + std::to_string(slot) + " is already named \"" + other +
                          "\"; nothing was added";
                return false;
            }
        }
        catalogue.Append();
        catalogue.CurrentRecord().SetFields(description, address, page, every, "");
        catalogue.TouchDescriptions();
        added = catalogue.Current;
        return true;
    });
    if (!refusal.empty()) {
        context.Say("add: " + refusal);
        return kExitUsage;
    }
    context.Print("Added camera " + std::to_string(added) + ": " + description + "\n");
    return kExitSuccess;
}

} // namespace lumisk::cli
