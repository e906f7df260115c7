// The commands of quorvantel-cli. Each takes its own arguments (the command name first, as
// argv[0] of a program) and returns the exit status.
#pragma once

#include <QStringList>

namespace qv::cli {

int RunDownload(const QStringList& args);
int RunDump(const QStringList& args);
int RunInfo(const QStringList& args);
int RunExport(const QStringList& args);
int RunConvert(const QStringList& args);
int RunPorts(const QStringList& args);
int RunComfort(const QStringList& args);
int RunArchive(const QStringList& args);
#ifdef QV_CLI_REPORT
int RunReport(const QStringList& args);
int RunGraph(const QStringList& args);
int RunSurvey(const QStringList& args);
#endif

}  // namespace qv::cli
