// Quorvantel: downloads and shows the data of portable indoor-climate instruments.
#include "app/LanguageChoice.h"
#include "app/MainForm.h"
#include "common/AppContext.h"
#include "common/Prompter.h"
#include "common/WindowLook.h"

#include "QvVersion.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage = R"(Usage: quorvantel [OPTIONS] [FILE]

The desktop application of Quorvantel: downloads the results and logging memory of portable
indoor-climate instruments, shows the tests as a building and room tree with tables and
graphs, prints reports, and saves, exports and converts the data.

  FILE            a results file (.QVL) to open at start
  --archive DB    the measurement archive (File > Measurement Archive) in the SQLite
                  database DB instead of ~/.local/share/quorvantel/archive.sqlite
  --help          show this text and exit
  --version       show the version and exit

Qt's own options are understood too, for example -platform NAME, -style NAME and -reverse.
The language, the port and the print header are chosen in the program and kept with the
other settings in ~/.config/Quorvantel.conf.
)";

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before QApplication exists: it needs a display and would open none here.
  if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("quorvantel %s\n", qv::kProjectVersion);
    return 0;
  }
  // A file size limit reached is reported by the save as a failed write; the previous file stays.
  std::signal(SIGXFSZ, SIG_IGN);
  QApplication app(argc, argv);
  qv::SetApplicationIdentity();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvantel.svg")));

  qv::AppContext ctx(qv::FindDataFolder(QApplication::applicationDirPath().toStdString()));
  qv::Prompter prompter;
  // The main window first (it owns the link and the document), then every dialog once.
  qv::TfrmMainForm mainForm(ctx, prompter);
  if (!mainForm.CreateDialogs()) return 1;
  mainForm.show();
  // "quorvantel FILE": the file manager hands over a results file to open.
  QString path;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args.at(i) == QLatin1String("--archive")) {
      if (i + 1 == args.size()) {
        std::fputs("quorvantel: --archive needs the path of a database (see --help)\n", stderr);
        return 2;
      }
      ctx.ArchivePath = args.at(++i);
    } else if (path.isEmpty()) {
      path = args.at(i);
    }
  }
  if (!path.isEmpty()) {
    QTimer::singleShot(0, &mainForm, [&mainForm, path] { mainForm.OpenFromCommandLine(path); });
  }
  return QApplication::exec();
}
