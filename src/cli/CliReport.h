#pragma once

#include <QString>

class CliSession;
class MeterLink;
class Waiter;
struct CliOptions;

// corvane-cli report: the meter's identification, its configuration, a few
// live readings and the datalog directory, written as the same service
// report as the program's File > Save Service Report... The port text names
// the port in the report. Returns the exit status.
int runReport(CliSession& session, MeterLink& link, Waiter& waiter, const CliOptions& options,
              const QString& port);
