// quorvantel-cli: the instrument download, file information, export and conversion of the
// application, and the check of the serial ports, for scripts and batch work, without a display.
#include "CliContext.h"
#include "Commands.h"
#include "QvVersion.h"

#include <QByteArrayView>
#include <QCoreApplication>
#ifdef QV_CLI_REPORT
#include <QApplication>
#include <QGuiApplication>
#endif

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

#ifdef QV_CLI_REPORT
QtMessageHandler g_qtMessages = nullptr;

// Qt's GUI part complains of a missing runtime folder, which matters to windows on a desktop,
// not to painting a PDF in a cron job; everything else Qt says goes on as before.
void QuietRuntimeFolder(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
    return;
  if (g_qtMessages != nullptr) g_qtMessages(type, context, text);
}
#endif

constexpr const char* kUsage =
    "Usage: quorvantel-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  download  read the results or logging memory of an instrument into a results file\n"
    "  info      show the instrument, the kind and the tests or blocks of a results file\n"
    "  export    write the tests of a tree node or a logging block as delimited text\n"
    "  convert   save a logging block (or a range of its samples) as a results file\n"
    "  ports     list the serial devices and USB bridges, and what keeps each from opening\n"
    "  dump      save an instrument's memory as it comes over the wire, for the emulator\n"
    "  comfort   thermal comfort (PMV, PPD, draught rate) of a point or a logging block\n"
    "  archive   keep results files in one database; list and query their measurements\n"
#ifdef QV_CLI_REPORT
    "  report    write the printed report of a results file as a PDF\n"
    "  graph     draw quantities of a logging block as PDF pages or pictures\n"
    "  survey    statistics of a logging block against limits, air change rates, survey report\n"
#endif
    "\n"
    "'quorvantel-cli COMMAND --help' describes a command; 'quorvantel-cli --version' prints\n"
    "the version.\n";

}  // namespace

int main(int argc, char* argv[]) {
  // A file size limit reached is an error the writing code reports ("File too large"), not a
  // reason to die without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  // Qt turns arguments into text: a file name that is not UTF-8 would come back as another name,
  // so that an input is "not found" and an output written where nobody looks. Refuse it.
  for (int i = 1; i < argc; ++i) {
    if (!QByteArrayView(argv[i]).isValidUtf8()) {
      std::fprintf(stderr,
                   "quorvantel-cli: argument %d is not valid UTF-8; file names must be UTF-8 here "
                   "(rename the file, e.g. with convmv)\n",
                   i);
      return qv::cli::kExitUsage;
    }
  }
#ifdef QV_CLI_REPORT
  // The report paints with fonts, which need the GUI part of Qt; without a display, and
  // nothing is shown anyway.
  std::unique_ptr<QCoreApplication> app;
  if (argc > 1 && std::strcmp(argv[1], "report") == 0) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtMessages = qInstallMessageHandler(QuietRuntimeFolder);
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else if (argc > 1 &&
             (std::strcmp(argv[1], "graph") == 0 || std::strcmp(argv[1], "survey") == 0)) {
    // The chart is a widget, drawn but never shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtMessages = qInstallMessageHandler(QuietRuntimeFolder);
    app = std::make_unique<QApplication>(argc, argv);
  } else {
    app = std::make_unique<QCoreApplication>(argc, argv);
  }
#else
  QCoreApplication app(argc, argv);
#endif
  QCoreApplication::setApplicationName(QStringLiteral("quorvantel-cli"));
  // Numbers follow the person's locale like the application's (LC_NUMERIC).
  std::setlocale(LC_ALL, "");

  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 2) {
    std::fputs(kUsage, stderr);
    return qv::cli::kExitUsage;
  }
  const QString command = args.at(1);
  if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
      command == QLatin1String("help")) {
    std::fputs(kUsage, stdout);
    return qv::cli::kExitOk;
  }
  if (command == QLatin1String("--version")) {
    std::printf("quorvantel-cli %s\n", qv::kProjectVersion);
    return qv::cli::kExitOk;
  }
  QStringList rest = args.mid(2);
  rest.prepend(QStringLiteral("quorvantel-cli ") + command);
  if (command == QLatin1String("download")) return qv::cli::RunDownload(rest);
  if (command == QLatin1String("info")) return qv::cli::RunInfo(rest);
  if (command == QLatin1String("export")) return qv::cli::RunExport(rest);
  if (command == QLatin1String("convert")) return qv::cli::RunConvert(rest);
  if (command == QLatin1String("ports")) return qv::cli::RunPorts(rest);
  if (command == QLatin1String("dump")) return qv::cli::RunDump(rest);
  if (command == QLatin1String("comfort")) return qv::cli::RunComfort(rest);
  if (command == QLatin1String("archive")) return qv::cli::RunArchive(rest);
#ifdef QV_CLI_REPORT
  if (command == QLatin1String("report")) return qv::cli::RunReport(rest);
  if (command == QLatin1String("graph")) return qv::cli::RunGraph(rest);
  if (command == QLatin1String("survey")) return qv::cli::RunSurvey(rest);
#endif
  std::fprintf(stderr,
               "quorvantel-cli: unknown command \"%s\" (download, info, export, convert, ports, "
               "dump, comfort, archive, report, graph, survey)\n",
               command.toLocal8Bit().constData());
  return qv::cli::kExitUsage;
}
