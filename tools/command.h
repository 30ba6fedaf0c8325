// The tool itself is compiled with UTF-8 strings (it prints to a terminal); texts that come
// from the core are Windows-1252 and go through cp1252ToUtf8 before they are printed.
// Subcommands of the native tool register themselves with QUENDLER_COMMAND in their own
// cmd_*.cpp file; main.cpp dispatches on the first argument.
#pragma once

#include <initializer_list>
#include <string>

using CommandFunction = int (*)(int argc, char** argv);  // argv[0] is the subcommand name

struct CommandRegistrar {
  CommandRegistrar(const char* name, const char* usage, CommandFunction run);
};

#define QUENDLER_COMMAND_CAT2(a, b) a##b
#define QUENDLER_COMMAND_CAT(a, b) QUENDLER_COMMAND_CAT2(a, b)
#define QUENDLER_COMMAND(name, usage, function) \
  static CommandRegistrar QUENDLER_COMMAND_CAT(commandRegistrar_, __LINE__)(name, usage, function)

// Exit codes of the tool.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Prints a one-line German explanation of a bad call to stderr and returns kExitUsage.
int usageError(const std::string& message);

// One option of a subcommand: "--name VALUE" when `value` is set, a bare switch otherwise;
// `given` (when set) tells that it stood on the line.
struct ToolOption {
  const char* name;
  std::string* value;
  bool* given;
};
constexpr int kRunCommand = -1;

// The argument loop the subcommands share: --help/-h prints `help` and ends with kExitOk; an
// option takes its value; one bare argument goes to `positional` (`positionalWhat` names it
// for the message when a second one comes, "eine Termin-Datei"), or is unknown when
// `positional` is null. Returns kRunCommand when the command is to run, else its exit status.
int readToolOptions(int argc, char** argv, const char* command, const char* help,
                    std::initializer_list<ToolOption> options, std::string* positional,
                    const char* positionalWhat);

// The program holds its texts in Windows-1252; the tool prints UTF-8.
std::string cp1252ToUtf8(const std::string& text);
std::string utf8ToCp1252(const std::string& text);
