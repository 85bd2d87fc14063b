#include "app/cli/commandregistry.h"

#include "app/cli/addcommand.h"
#include "app/cli/listcommand.h"
#include "app/cli/refreshcommand.h"
#include "app/cli/removecommand.h"

namespace lumisk::cli {

namespace {

std::vector<std::unique_ptr<TCommand>> MakeCommands() {
    std::vector<std::unique_ptr<TCommand>> commands;
    commands.push_back(std::make_unique<TListCommand>());
    commands.push_back(std::make_unique<TAddCommand>());
    commands.push_back(std::make_unique<TRemoveCommand>());
    commands.push_back(std::make_unique<TRefreshCommand>());
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
