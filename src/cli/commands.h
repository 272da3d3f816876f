#pragma once
// The subcommands of kalidor-cli. Each returns the process exit code and reports problems as
// one line on standard error.

#include "translation/message.h"

#include <string>
#include <vector>

namespace kalidor::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitDiskSpace = 4;
inline constexpr int kExitCancelled = 130;  // as for a process ended by Ctrl-C

int runInfo(const std::vector<std::string>& args);
int runFrames(const std::vector<std::string>& args);
int runNew(const std::vector<std::string>& args);
int runExport(const std::vector<std::string>& args);

// Prints "kalidor-cli: <message>" on standard error: a usage error in English as it is, a
// message in the interface's language (Catalogue::ForInterface).
void reportError(const std::string& message);
void reportError(const Message& message);
inline void reportError(const char* message) { reportError(std::string(message)); }

}  // namespace kalidor::cli
