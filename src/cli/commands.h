// The command-line tool's commands. Each takes the arguments after its name and returns the
// process exit status: 0 success, 1 failure, 2 usage error (130 for an interrupted translation).
#pragma once

#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

int runInfoCommand(const Arguments& args);
int runModesCommand(const Arguments& args);
int runVerifyCommand(const Arguments& args);
int runScanCommand(const Arguments& args);
int runTranslateCommand(const Arguments& args);
int runDescribeCommand(const Arguments& args);
int runShowCommand(const Arguments& args);
int runLsCommand(const Arguments& args);
int runFarmReportCommand(const Arguments& args);
/// A farm task's work on a node (not listed in the help).
int runFarmTaskCommand(const Arguments& args);
