#pragma once
// kadrolin-tool: import, export, backup and restore from the command line.
// Each command is one row of a table: its name, what it takes and the
// function that runs it and returns the one-line summary.
#include <map>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace kadrolin::tool {

struct TToolArgs {
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Options; // "--table" -> value
    // The register named by --register, else "Data.mdb" in the working directory.
    std::string Register() const;
    std::string Option(const std::string &name) const;
};

struct TToolCommand {
    const char *Name;
    const char *Usage;                // the arguments after the name
    int Positional;                   // how many positional arguments it takes
    std::vector<std::string> Options; // the options it accepts, each with one value
    std::string (*Run)(const TToolArgs &);
};

// The commands in the order the usage lists them.
std::span<const TToolCommand> Commands();

// Runs one command line (args without the program name): the summary to out
// and 0, or a message to err and 1 (2 for a command line that makes no sense).
int RunTool(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

} // namespace kadrolin::tool
