#pragma once

#include <QStringList>

struct CliOptions;
class PortSettingsStore;

// corvane-cli find: looks for meters on several ports at every speed and
// prints one line per port. Ctrl-C ends it within a second.
namespace CliFind {

// The devices searched without --port: those of the stored Com map (Com1 to
// Com16) that exist, then every serial device present, each once.
QStringList defaultDevices(const PortSettingsStore& store);

// Runs the search; the exit status (0 a meter found, 1 none).
int run(const CliOptions& options, const PortSettingsStore& store);

} // namespace CliFind
