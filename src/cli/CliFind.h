#pragma once

#include <QStringList>

struct CliOptions;
class PortSettingsStore;

// corvane-cli find: looks for meters on several ports at every speed and
// prints one line per port. Ctrl-C ends it within a second.
namespace CliFind {

// Runs the search; the exit status (0 a meter found, 1 none).
int run(const CliOptions& options, const PortSettingsStore& store);

} // namespace CliFind
