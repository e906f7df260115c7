#include "GuiTestSupport.h"

#include <QPrinter>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace qv::test {

bool ScriptedPrompter::Question(QWidget*, const QString& text, QMessageBox::Icon icon) {
  shown.push_back({text, icon, QString(), true});
  if (answers.empty()) return false;
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

void ScriptedPrompter::Message(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                               const QString& caption) {
  if (onShow) onShow(parent);
  shown.push_back({text, icon, caption, false});
}

QString ScriptedPrompter::ChooseFile(QFileDialog& dialog) {
  fileDialogTitles.push_back(dialog.windowTitle());
  proposedNames.push_back(QFileInfo(dialog.selectedFiles().value(0)).fileName());
  if (files.empty()) return {};
  const QString path = files.front();
  files.pop_front();
  return path;
}

bool ScriptedPrompter::ChoosePrinter(QPrinter& printer, QWidget*) {
  if (printFiles.empty()) return false;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(printFiles.front());
  printFiles.pop_front();
  return true;
}

void ScriptedPrompter::ShowPreview(QPrintPreviewDialog& preview) {
  ++previews;
  if (onPreview) onPreview(preview);
}

QStringList ScriptedPrompter::Texts() const {
  QStringList texts;
  for (const Shown& s : shown)
    texts.push_back(s.text);
  return texts;
}

DataFolder::DataFolder() = default;

std::unique_ptr<DataFolder> DataFolder::Shipped(bool allLanguages) {
  auto folder = std::make_unique<DataFolder>();
  const QDir bin(QStringLiteral(QV_BIN_DIR));
  const QStringList names = allLanguages ? bin.entryList({QStringLiteral("*.ini")}, QDir::Files)
                                         : QStringList{QStringLiteral("Quorvantel_Main.ini"),
                                                       QStringLiteral("English.ini")};
  for (const QString& name : names) {
    QFile f(bin.filePath(name));
    if (f.open(QIODevice::ReadOnly)) folder->Write(name, f.readAll());
  }
  QDir().mkpath(folder->dir_.filePath(QStringLiteral("help")));
  const QDir helpFolder(bin.filePath(QStringLiteral("help")));
  for (const QString& name : helpFolder.entryList(QDir::Files)) {
    QFile help(helpFolder.filePath(name));
    if (help.open(QIODevice::ReadOnly))
      folder->Write(QStringLiteral("help/") + name, help.readAll());
  }
  return folder;
}

void DataFolder::Write(const QString& name, const QByteArray& bytes) {
  QFile f(dir_.filePath(name));
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray ShippedEnglish() {
  QFile f(QDir(QStringLiteral(QV_BIN_DIR)).filePath(QStringLiteral("English.ini")));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::string FreshSettingsName() {
  static int counter = 0;
  return "QuorvantelGuiTest" + std::to_string(++counter);
}

}  // namespace qv::test
