#include "app/cli/commandregistry.h"

#include "app/cli/addcommand.h"
#include "app/cli/grabcommand.h"
#include "app/cli/htmlcommand.h"
#include "app/cli/listcommand.h"
#include "app/cli/moviecommand.h"
#include "app/cli/refreshcommand.h"
#include "app/cli/removecommand.h"
#include "app/cli/timecommand.h"

namespace lumisk::cli {

namespace {

std::vector<std::unique_ptr<TCommand>> MakeCommands() {
    std::vector<std::unique_ptr<TCommand>> commands;
    commands.push_back(std::make_unique<TListCommand>());
    commands.push_back(std::make_unique<TAddCommand>());
    commands.push_back(std::make_unique<TRemoveCommand>());
    commands.push_back(std::make_unique<TRefreshCommand>());
    commands.push_back(std::make_unique<TGrabCommand>());
    commands.push_back(std::make_unique<TMovieCommand>());
    commands.push_back(std::make_unique<TTimeCommand>());
    commands.push_back(std::make_unique<THtmlCommand>());
    return commands;
}

} // namespace

const std::vector<std::unique_ptr<TCommand>>& TCommandRegistry::All() {
    static const std::vector<std::unique_ptr<TCommand>> commands = MakeCommands();
    return commands;
}

TCommand* TCommandRegistry::Find(const std::string& name) {
    for (const auto& command : All())
        if (command->Name() == name) return command.get();
    return nullptr;
}

} // namespace lumisk::cli
