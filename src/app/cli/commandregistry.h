#pragma once
// Every command of the program, in the order `lumisk --help` lists them.
// The list itself is in commandregistry.cpp: one line per command.
#include "app/cli/command.h"

#include <memory>
#include <string>
#include <vector>

namespace lumisk::cli {

class TCommandRegistry {
  public:
    static const std::vector<std::unique_ptr<TCommand>>& All();
    // The command with this exact name, or nullptr.
    static TCommand* Find(const std::string& name);
};

} // namespace lumisk::cli
