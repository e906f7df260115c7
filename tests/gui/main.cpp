// The GUI tests need one QApplication, the offscreen platform and settings and data folders of
// their own, all before the first widget or settings access.
#include "common/WindowLook.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// The offscreen platform warns about every window feature it lacks (raising, grabbing the
// keyboard); those lines say nothing about the tests.
void QuietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QStringLiteral("This plugin does not support"))) {
    return;
  }
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

int main(int argc, char* argv[]) {
  qInstallMessageHandler(QuietOffscreenWarnings);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir settings;
  qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
  QTemporaryDir documents;
  qputenv("HOME", documents.path().toUtf8());
  // The measurement archive too: never the person's.
  QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  QApplication app(argc, argv);
  qv::SetApplicationIdentity();  // window titles as the application has them
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
