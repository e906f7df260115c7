// Quorvantel: downloads and shows the data of portable indoor-climate instruments.
#include "app/LanguageChoice.h"
#include "app/MainForm.h"
#include "common/AppContext.h"
#include "common/Prompter.h"
#include "common/WindowLook.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

#include <csignal>

int main(int argc, char* argv[]) {
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
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) {
    const QString path = args.at(1);
    QTimer::singleShot(0, &mainForm, [&mainForm, path] { mainForm.OpenFromCommandLine(path); });
  }
  return QApplication::exec();
}
