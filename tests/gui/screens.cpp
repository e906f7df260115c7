// Writes PNG pictures of the main window, its menus and every dialog into a folder, so that
// a person can look at them: qv_gui_screens <folder>.
#include "../core/link/EmulatorProcess.h"
#include "GuiTestSupport.h"
#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/IniFile.h"
#include "app/LanguageChoice.h"
#include "app/LanguageDialog.h"
#include "app/LimitsDialog.h"
#include "app/MainForm.h"
#include "app/ReportCommands.h"
#include "archive/Archive.h"
#include "archive/ArchiveWindow.h"
#include "comfort/ComfortCalculator.h"
#include "comfort/ComfortDialog.h"
#include "common/WindowLook.h"
#include "download/DLSelectDialog.h"
#include "download/DownLoadListDialog.h"
#include "download/GuiDownload.h"
#include "files/ResultsFile.h"
#include "format/DateTimeText.h"
#include "graph/GraphWindow.h"
#include "link/PortDialog.h"
#include "link/TransferDialog.h"
#include "print/HeaderDialog.h"
#include "store/SignalCatalog.h"
#include "survey/LimitSettings.h"
#include "survey/SurveyPainter.h"
#include "view/InfoDialog.h"
#include "view/InstrumentSettingsDialog.h"
#include "view/UnitsDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>

namespace {

// Puts `blocks` on show as a logging document, the first block in the table.
void ShowLogging(qv::AppContext& ctx, std::vector<qv::TLoggerRecord> blocks) {
  ctx.Doc.LoggerBlocks = std::move(blocks);
  ctx.Doc.Kind = qv::DocumentKind::Logging;
  struct : qv::DocumentHost {
    bool Ask(std::string_view) override { return false; }
    bool SaveAs() override { return false; }
    void Message(qv::MessageIcon, const qv::Bytes&) override {}
    bool ChooseBlockToShow(std::vector<qv::TLoggerRecord>&) override { return false; }
  } host;
  ctx.Workspace.ShowBlock(0, host);
}

QString g_folder;

void Grab(QWidget* w, const char* name) {
  QApplication::processEvents();
  const QString path = QDir(g_folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
  if (!w->grab().save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
}

void Save(QWidget* w, const char* name) {
  w->show();
  Grab(w, name);
}

void SaveMenu(QMenu* menu, const char* name) {
  menu->popup(QPoint(0, 0));
  Grab(menu, name);
  menu->hide();
  QApplication::processEvents();
}

// Runs `act` on the next modal dialog as soon as it is shown.
void OnNextModal(std::function<void(QDialog*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(d);
    }
  });
  timer->start();
}

void Click(QDialog* d, const char* button) {
  if (auto* b = d->findChild<QPushButton*>(QString::fromLatin1(button))) b->click();
}

// Instrument > DownLoad of memory 0 (results) or 1 (logging, every block, the second shown),
// as a person answers the dialogs.
void DownloadDemo(qv::TfrmMainForm& form, int memory) {
  OnNextModal([memory](QDialog* d) {
    d->findChildren<QRadioButton*>()[memory]->click();
    if (memory == 1) {
      OnNextModal([](QDialog* list) {
        OnNextModal([](QDialog* show) {
          qobject_cast<qv::TfrmDownLoadList*>(show)->SelectCell(2, 0);
          Click(show, "btnShow");
        });
        Click(list, "btnSelectAll");
        Click(list, "btnDownLoad");
      });
    }
    Click(d, "btnDownLoad");
  });
  // The transfer runs on its own thread: the pictures wait for its end.
  QEventLoop loop;
  QObject::connect(&form.Download(), &qv::GuiDownload::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  form.Action(QStringLiteral("mmInstrDownLoad"))->trigger();
  loop.exec();
}

// File > Print Preview of the demo results with four value columns: its first page and one from
// the middle. The demo's fifteen tests are shown four times over, so that the report has
// several pages.
void SaveReportPreview(qv::TfrmMainForm& form, qv::Document& doc,
                       qv::test::ScriptedPrompter& prompter) {
  const std::vector<int32_t> shown = doc.ShownTests;
  for (int copy = 0; copy < 3; ++copy)
    doc.ShownTests.insert(doc.ShownTests.end(), shown.begin(), shown.end());
  doc.ReportCodes = {1, 5, 45, 57};
  prompter.onPreview = [](QPrintPreviewDialog& d) {
    d.resize(900, 1000);
    d.show();
    auto* pages = d.findChild<QPrintPreviewWidget*>();
    if (pages == nullptr) return;
    pages->fitToWidth();
    Grab(&d, "report-preview-first");
    pages->setCurrentPage(pages->pageCount() / 2 + 1);
    Grab(&d, "report-preview-middle");
    d.close();
  };
  const size_t messages = prompter.shown.size();
  // The entry follows its rule as the menu opens.
  Q_EMIT form.Menu(QStringLiteral("mmFile"))->aboutToShow();
  form.Action(QStringLiteral("mmFilePreview"))->trigger();
  if (prompter.shown.size() > messages)
    std::fprintf(stderr, "no print preview: %s\n", qPrintable(prompter.shown.back().text));
  prompter.onPreview = nullptr;
  doc.ShownTests = shown;
  doc.ReportCodes.clear();
}

// A logging document of one block, for dialogs that describe one without a download.
qv::Document LoggingExample() {
  qv::Document doc;
  doc.InstrumentInfo.SerialNumber = "10234";
  doc.InstrumentInfo.FirmwareVersion = "2.31";
  doc.Kind = qv::DocumentKind::Logging;
  qv::TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
  b.UnitSystem = "SI";
  b.IntervalSec = 90;
  b.BeginTime = *qv::EncodeDateTime({2024, 3, 5, 9, 30, 0, 0});
  b.SampleCount = 480;
  b.BuildingName = "Administration";
  b.RoomName = "Meeting room 2";
  for (int code : {1, 5, 13, 57})
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
  return doc;
}

void SaveFileInfo(qv::TfrmMainForm& form, const qv::Document& doc, const std::string& name) {
  form.Forms().Info->Fill(doc);
  Save(form.Forms().Info, name.c_str());
  form.Forms().Info->hide();
}

// The calculation parameters of the first shown test of `doc` measured with the duct `shape`
// (1 rectangle, 0 circle).
void SaveParameters(qv::TfrmMainForm& form, const qv::Document& doc, int shape,
                    const std::string& name) {
  for (int row = 0; row < doc.ShownTestCount(); ++row) {
    if (doc.ShownTest(row)->Params.DuctShape != shape) continue;
    form.Forms().InstrumentSettings->Fill(doc, doc.ShownTest(row)->RecordIndex);
    Save(form.Forms().InstrumentSettings, name.c_str());
    form.Forms().InstrumentSettings->hide();
    return;
  }
  std::fprintf(stderr, "no test with duct shape %d for %s\n", shape, name.c_str());
}

// File > Header Setup after a download, filled as a person would fill it.
void SaveHeader(qv::TfrmMainForm& form, const std::string& name) {
  qv::PrintHeader texts;
  texts.Lines = {"Dipl.-Ing. Anna Berg", "Indoor climate laboratory, room 2.14",
                 "Riverside Office Park", "Building C, open-plan office, 3rd floor",
                 "Quorvantel PRO - indoor climate report"};
  const char* types[] = {"TP-100", "RH-22", "AV-3", "", "", "GL-150", "", "CO2-5", "", "AD-1"};
  const char* serials[] = {"10452", "20991", "31007", "", "", "61200", "", "81234", "", "A0012"};
  for (size_t p = 0; p < std::size(types); ++p) {
    texts.ProbeType[p] = types[p];
    texts.ProbeSerNo[p] = serials[p];
  }
  texts.Comments =
      "Measured with the blinds half closed.\r\nHeating on since 7:00, two persons "
      "present.\r\nWindows closed during the measurement.";
  OnNextModal([&form, texts, name](QDialog* d) {
    form.Forms().Header->SetTexts(texts);
    Save(d, name.c_str());
    d->reject();
  });
  form.Forms().Header->mmSettHeaderClick();
}

// Graph > Print of air temperature through the window's own print routine into
// graph-print.pdf, rendered to graph-print.png to be looked at; the legend of a window after its
// statistics were switched off and on again in another order, as graph-legend.png; and the
// picture for the README.
void SaveGraphPrint(qv::TfrmMainForm& form, qv::AppContext& ctx) {
  ctx.Choices.Graph = {};
  ctx.Choices.Graph[0] = true;
  OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnOK")->click(); });
  form.mmGraphDrawClick();
  QApplication::processEvents();
  const QList<QMdiSubWindow*> windows = form.MdiArea()->subWindowList();
  if (windows.isEmpty()) return;
  auto* graph = qobject_cast<qv::TfrmGraphChild*>(windows.front()->widget());
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString pdf = QDir(g_folder).filePath(QStringLiteral("graph-print.pdf"));
  printer.setOutputFileName(pdf);
  if (!graph->Print(printer)) std::fprintf(stderr, "the graph could not be printed\n");
  const QString png = QDir(g_folder).filePath(QStringLiteral("graph-print"));
  if (QProcess::execute(QStringLiteral("pdftoppm"),
                        {QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-png"),
                         QStringLiteral("-singlefile"), pdf, png}) != 0) {
    std::fprintf(stderr, "pdftoppm could not render %s\n", qPrintable(pdf));
  }
  windows.front()->showNormal();
  windows.front()->resize(900, 620);
  for (int s : {0, 1, 2, 2, 0, 1})
    graph->StatisticBox(s)->click();
  QApplication::processEvents();
  Save(windows.front(), "graph-legend");
  graph->ShowReadout(ctx.Doc.Current()->BeginTime + 125.0 / 86400);
  Save(windows.front(), "graph-view");
}

// Graph > Comfort of an office day logged with air temperature, humidity, air velocity and globe
// (the demo has no globe): the dialog with the clothing the block leaves unset, then the PMV and
// operative temperature windows; Tools > Comfort Calculator inside
// and outside the validity ranges.
void SaveComfort(qv::TfrmMainForm& form, qv::AppContext& ctx) {
  form.CloseAllMdiChildren();
  qv::TLoggerRecord b;
  b.UnitSystem = "SI";
  b.IntervalSec = 60;
  b.BeginTime = *qv::EncodeDateTime({2024, 6, 12, 8, 0, 0, 0});
  b.SampleCount = 600;
  b.BuildingName = "Administration";
  b.RoomName = "Office 3.12";
  b.Params.MetabolicRate = 1.2;
  b.Params.Clothing = -1;
  for (const int code : {1, 5, 13, 41}) {
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
    std::vector<double>& v = b.Samples[static_cast<size_t>(qv::StoragePos(code))];
    for (int k = 0; k < b.SampleCount; ++k) {
      // Warming through the day, the sun on the window in the afternoon, a fan now and then.
      const double day = k / 600.0;
      const double sun = day > 0.55 ? std::sin((day - 0.55) * 6.9) : 0;
      const double ta = 21.5 + 3.2 * day + 0.3 * std::sin(k / 17.0);
      const double value =
          code == 1    ? ta
          : code == 5  ? 52 - 9 * day + 2 * std::sin(k / 45.0)
          : code == 13 ? 0.08 + 0.06 * std::pow(std::sin(k / 31.0), 8) + 0.02 * std::sin(k / 3.0)
                       : ta + 0.4 + 2.8 * std::max(0.0, sun);
      v.push_back(std::round(value * (code == 13 ? 100 : 10)) / (code == 13 ? 100 : 10));
    }
  }
  ShowLogging(ctx, {b});

  form.setWindowState(Qt::WindowNoState);
  form.resize(1280, 900);
  OnNextModal([](QDialog* d) {
    qobject_cast<qv::TfrmComfort*>(d)->SettleBox()->setValue(20);
    Save(d, "comfort-dialog");
    d->findChild<QPushButton*>("btnOK")->click();
  });
  form.mmGraphComfortClick();
  form.mmWinHorizClick();
  QApplication::processEvents();
  const QList<QMdiSubWindow*> windows = form.MdiArea()->subWindowList(QMdiArea::CreationOrder);
  if (!windows.isEmpty()) {
    auto* pmv = qobject_cast<qv::TfrmGraphChild*>(windows[0]->widget());
    form.MdiArea()->setActiveSubWindow(windows[0]);
    pmv->ShowReadout(b.BeginTime + 7.5 / 24);
  }
  Save(&form, "comfort-graphs");

  const auto calculator = [&form](std::function<void(qv::TfrmComfortCalculator*)> set,
                                  const char* name) {
    OnNextModal([set, name](QDialog* d) {
      auto* calc = qobject_cast<qv::TfrmComfortCalculator*>(d);
      set(calc);
      Save(d, name);
      Click(d, "btnClose");
    });
    form.mmToolsComfortCalculatorClick();
  };
  using C = qv::TfrmComfortCalculator;
  calculator(
      [](C* c) {
        c->Field(C::AirTemp)->setValue(24.5);
        c->Field(C::Humidity)->setValue(45);
        c->Field(C::Velocity)->setValue(0.15);
        c->Field(C::Clothing)->setValue(0.7);
        c->SetRadiantTyped(false);
        c->Field(C::Globe)->setValue(26.2);
      },
      "comfort-calculator");
  calculator(
      [](C* c) {
        c->Field(C::AirTemp)->setValue(33);
        c->Field(C::Globe)->setValue(38);
      },
      "comfort-calculator-outside");
}

// A school day in a classroom, every minute from 8:00 to 17:00: three lessons in which the CO2
// rises towards 1700 ppm, a break with the windows open (4 air changes an hour), lunch with
// the door open (1.2) and the empty afternoon (0.8); the air warms with the pupils.
qv::TLoggerRecord ClassroomDay(qv::DateTime day) {
  qv::TLoggerRecord b;
  b.UnitSystem = "SI";
  b.IntervalSec = 60;
  b.BeginTime = day + 8.0 / 24;
  b.SampleCount = 9 * 60;
  b.BuildingName = "Riverside School";
  b.RoomName = "Classroom 1A";
  for (const int code : {1, 5, 57}) {
    b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
    b.SignalPresent[static_cast<size_t>(code)] = 1;
  }
  struct Phase {
    int until;  // minutes after 8:00
    double level, rate;
  };
  const Phase phases[] = {{90, 1700, 0.8}, {120, 420, 4.0},  {210, 1700, 0.8},
                          {270, 420, 1.2}, {360, 1700, 0.8}, {540, 420, 0.8}};
  double co2 = 450, air = 20.2;
  std::vector<double>& c = b.Samples[static_cast<size_t>(qv::StoragePos(57))];
  std::vector<double>& t = b.Samples[static_cast<size_t>(qv::StoragePos(1))];
  std::vector<double>& h = b.Samples[static_cast<size_t>(qv::StoragePos(5))];
  for (int k = 0; k < b.SampleCount; ++k) {
    const Phase* p = &phases[0];
    while (k >= p->until)
      ++p;
    co2 = p->level + (co2 - p->level) * std::exp(-p->rate / 60);
    const bool lesson = p->level > 1000;
    air += ((lesson ? 25.0 : 20.5) - air) * 0.02;
    c.push_back(std::round(co2 + 6 * std::sin(k * 1.3)));
    t.push_back(std::round((air + 0.1 * std::sin(k * 0.7)) * 10) / 10);
    h.push_back(std::round((38 + 0.01 * (co2 - 420) + std::sin(k / 25.0)) * 10) / 10);
  }
  return b;
}

// The survey: Settings > Limits with limits set; the air temperature window of a classroom's
// day with its limit lines; its CO2 window zoomed into the morning with the survey of the
// stretch shown and the air change rate of the lunch break's decay; then the survey report of
// the day exported as PDF, its first page and its first page of graphs rendered.
void SaveSurvey(qv::TfrmMainForm& form, qv::AppContext& ctx, qv::test::ScriptedPrompter& prompter) {
  qv::LimitTable limits = qv::DefaultLimits();
  limits[0] = {24.0, 20.0};
  limits[1] = {60.0, 30.0};
  qv::SaveLimits(ctx.Settings, limits);
  qv::Document& doc = ctx.Doc;
  form.CloseAllMdiChildren();
  ShowLogging(ctx, {ClassroomDay(*qv::EncodeDateTime({2024, 3, 7, 0, 0, 0, 0}))});

  OnNextModal([](QDialog* d) {
    Save(d, "dialog-limits");
    d->reject();
  });
  form.mmConfigLimitsClick();

  ctx.Choices.Graph = {};
  ctx.Choices.Graph[0] = ctx.Choices.Graph[14] = true;
  OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnOK")->click(); });
  form.mmGraphDrawClick();
  QApplication::processEvents();
  const qv::TLoggerRecord& day = doc.LoggerBlocks.front();
  const auto at = [&day](int minutes) { return day.BeginTime + minutes / 1440.0; };
  for (QMdiSubWindow* window : form.MdiArea()->subWindowList()) {
    auto* graph = qobject_cast<qv::TfrmGraphChild*>(window->widget());
    window->showNormal();
    window->resize(900, 660);
    QApplication::processEvents();
    if (graph->Quantity() == 1) {
      Save(window, "graph-limit-line");
      continue;
    }
    graph->Plot()->xAxis->setRange(qv::TGraphChart::ToAxis(at(60)),
                                   qv::TGraphChart::ToAxis(at(330)));
    graph->Plot()->replot();
    graph->FitAirChange(at(212), at(268));
    window->raise();
    Save(window, "graph-range-statistics");
  }

  qv::PrintHeader texts;
  texts.Lines = {"Dipl.-Ing. Anna Berg", "Indoor climate laboratory, room 2.14", "Riverside School",
                 "Classroom 1A, ground floor", "Quorvantel PRO - indoor climate survey"};
  texts.ProbeType[0] = "TP-100";
  texts.ProbeSerNo[0] = "10452";
  texts.ProbeType[7] = "CO2-5";
  texts.ProbeSerNo[7] = "81234";
  ctx.Workspace.SetReportHeader(texts, day.BeginTime);
  const QString pdf = QDir(g_folder).filePath(QStringLiteral("survey-report.pdf"));
  prompter.files = {pdf};
  Q_EMIT form.Menu(QStringLiteral("mmFile"))->aboutToShow();
  form.Action(QStringLiteral("mmFileExportSurvey"))->trigger();
  const qv::SurveyPainter report(form.Reports().Survey());
  int graphs = 1;
  while (graphs < report.PageCount() && report.GraphsOnPage(graphs - 1).size() < 2)
    ++graphs;
  for (const auto& [page, name] :
       {std::pair{1, "survey-report-first"}, {graphs, "survey-report-graphs"}}) {
    const QString png = QDir(g_folder).filePath(QString::fromLatin1(name));
    const QString number = QString::number(page);
    if (QProcess::execute(QStringLiteral("pdftoppm"),
                          {QStringLiteral("-r"), QStringLiteral("90"), QStringLiteral("-png"),
                           QStringLiteral("-f"), number, QStringLiteral("-l"), number,
                           QStringLiteral("-singlefile"), pdf, png}) != 0) {
      std::fprintf(stderr, "pdftoppm could not render page %d of %s\n", page, qPrintable(pdf));
    }
  }
  form.CloseAllMdiChildren();
}

// The archive's pictures need surveys over more than a year: a school visited five times (tests
// of air temperature, humidity and CO2, and CO2 logged through two school days) and a town hall,
// one results file per building and day as downloads give them, added to the archive at `path`.
void FillArchive(const QString& path, const qv::TextCatalog& texts, const QString& folder) {
  using namespace std::string_literals;
  const auto at = [](int y, int m, int d, int h, int min) {
    return *qv::EncodeDateTime({y, m, d, h, min, 0, 0});
  };
  const auto document = [](qv::DocumentKind kind, const qv::Bytes& comments) {
    qv::Document doc;
    doc.Kind = kind;
    doc.InstrumentInfo.SettingsBlock =
        "QV-PRO 5\0"s
        "5025\0"s
        "Quorvantel Instruments\0"s
        "5.12\0"s
        "\0"s
        "24031907\0"s
        "3\0"s
        "1\0"s
        "\xFF\x01"s;
    qv::DecodeIdentification(doc.InstrumentInfo.SettingsBlock, doc.InstrumentInfo);
    doc.Header.Lines[qv::PrintHeader::Operator1] = "Dipl.-Ing. Anna Berg";
    doc.Header.Comments = comments;
    return doc;
  };
  struct Test {
    const char* building;
    const char* room;
    qv::DateTime begin;
    double temperature, humidity, co2;
  };
  const auto tests = [&](const std::vector<Test>& list, const qv::Bytes& comments) {
    qv::Document doc = document(qv::DocumentKind::Results, comments);
    int room = 0;
    for (const Test& t : list) {
      const int i = doc.AddTestRecord();
      qv::TTestsRecord& r = doc.AllTests[static_cast<size_t>(i)];
      r.BuildingName = t.building;
      r.RoomName = t.room;
      r.BuildingNo = 1;
      r.RoomNo = ++room;
      r.BeginTime = t.begin;
      r.EndTime = t.begin + 2.0 / 1440;
      r.UnitSystem = "SI";
      doc.StoreTestValue(i, 1, t.temperature);
      doc.StoreTestValue(i, 5, t.humidity);
      doc.StoreTestValue(i, 57, t.co2);
    }
    for (const int code : {1, 5, 57}) {
      ++doc.DocSignalCount;
      doc.DocSignals[doc.DocSignalCount] = doc.ColumnSignals[doc.DocSignalCount] = code;
    }
    doc.ColumnCount = doc.DocSignalCount;
    doc.ShowAllTests();
    return doc;
  };
  // CO2 through a school day from 8:00, every 10 minutes: rising in each lesson, aired in the
  // breaks; `peak` is the air of the fullest lesson.
  const auto schoolDay = [&](const char* building, const char* room, qv::DateTime begin,
                             double peak) {
    qv::Document doc = document(qv::DocumentKind::Logging, {});
    qv::TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
    b.BuildingName = building;
    b.RoomName = room;
    b.BeginTime = begin;
    b.IntervalSec = 600;
    b.UnitSystem = "SI";
    b.SampleCount = 48;
    for (const int code : {1, 5, 57}) {
      b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
      b.SignalPresent[static_cast<size_t>(code)] = 1;
    }
    doc.SizeSampleArrays(0, b.SampleCount);
    for (int k = 0; k < b.SampleCount; ++k) {
      const int inLesson = k % 6;  // five samples of a lesson, one of a break
      const double co2 =
          inLesson == 5 ? 600 : 480 + (peak - 480) * inLesson / 4.0 * (0.8 + 0.2 * std::sin(k));
      doc.StoreSample(0, 1, k, 20.5 + 0.04 * k);
      doc.StoreSample(0, 2, k, 35 + 0.2 * k);
      doc.StoreSample(0, 3, k, co2);
    }
    return doc;
  };
  struct File {
    const char* name;
    qv::Document doc;
  };
  const char* school = "Riverside School";
  const char* hall = "Town hall";
  std::vector<File> files;
  files.push_back({"2024-01-15 school.QVL",
                   tests({{school, "Classroom 1A", at(2024, 1, 15, 9, 0), 21.2, 38, 820},
                          {school, "Classroom 1A", at(2024, 1, 15, 11, 0), 22.0, 41, 1150},
                          {school, "Classroom 1A", at(2024, 1, 15, 13, 30), 22.8, 44, 1480},
                          {school, "Classroom 1B", at(2024, 1, 15, 9, 20), 20.9, 37, 760},
                          {school, "Classroom 1B", at(2024, 1, 15, 11, 20), 21.6, 40, 1040}},
                         "Heating on since 6:00, windows closed.")});
  files.push_back({"2024-02-20 town hall.QVL",
                   tests({{hall, "Office 2.14", at(2024, 2, 20, 10, 0), 23.4, 29, 690},
                          {hall, "Council chamber", at(2024, 2, 20, 11, 0), 21.0, 33, 540}},
                         "Radiators bled the week before.")});
  files.push_back(
      {"2024-03-12 school.QVL", schoolDay(school, "Classroom 1A", at(2024, 3, 12, 8, 0), 1650)});
  files.push_back(
      {"2024-03-12 gym.QVL", tests({{school, "Gym", at(2024, 3, 12, 10, 0), 18.2, 45, 930}}, {})});
  files.push_back({"2024-06-04 school.QVL",
                   tests({{school, "Classroom 1A", at(2024, 6, 4, 9, 0), 24.1, 52, 640},
                          {school, "Classroom 1A", at(2024, 6, 4, 11, 0), 25.0, 55, 790},
                          {school, "Classroom 1A", at(2024, 6, 4, 13, 30), 25.6, 57, 910},
                          {school, "Library", at(2024, 6, 4, 10, 0), 23.8, 49, 700}},
                         "Windows open during the breaks.")});
  files.push_back(
      {"2024-10-08 school.QVL", schoolDay(school, "Classroom 1A", at(2024, 10, 8, 8, 0), 1350)});
  files.push_back({"2025-01-21 school.QVL",
                   tests({{school, "Classroom 1A", at(2025, 1, 21, 9, 0), 21.0, 36, 900},
                          {school, "Classroom 1A", at(2025, 1, 21, 11, 0), 21.9, 39, 1250},
                          {school, "Classroom 1A", at(2025, 1, 21, 13, 30), 22.5, 42, 1390}},
                         "New ventilation unit in 1A.")});
  QStringList paths;
  for (File& f : files) {
    const QString file = QDir(folder).filePath(QString::fromLatin1(f.name));
    const qv::Outcome saved = qv::SaveResultsFile(file, f.doc, texts);
    if (!saved.ok()) std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    paths.push_back(file);
  }
  qv::Outcome opened;
  std::unique_ptr<qv::Archive> archive = qv::Archive::Open(path, {}, &opened);
  if (!archive) {
    std::fprintf(stderr, "no archive: %s\n", opened.message.c_str());
    return;
  }
  const qv::ArchiveAddSummary added = archive->AddFiles(paths, texts);
  if (added.addedFiles != static_cast<int>(paths.size()))
    std::fprintf(stderr, "the archive took %d of %d files\n", added.addedFiles, int(paths.size()));
}

// File > Measurement Archive... with a room's visit chosen, and the trend of its CO2.
void SaveArchive(qv::TfrmMainForm& form) {
  qv::TfrmArchive* window = form.Forms().Archive;
  form.mmFileArchiveClick();
  window->resize(820, 560);
  QTreeWidget* tree = window->Tree();
  tree->setCurrentItem(window->FindVisit("Riverside School", "Classroom 1A", 1));
  QComboBox* quantity = window->QuantityBox();
  quantity->setCurrentIndex(quantity->findData(15));  // CO2
  Grab(window, "archive-window");
  window->ShowTrend();
  if (qv::TfrmGraphChild* trend = window->LastTrend()) {
    trend->resize(900, 560);
    Grab(trend, "archive-trend");
    trend->close();
  } else {
    std::fprintf(stderr, "no trend window\n");
  }
  window->hide();
}

}  // namespace

int main(int argc, char* argv[]) {
  // A 1600 x 1000 screen, the size the main window's pictures are judged at.
  QTemporaryDir settings;
  const QString screen = settings.filePath(QStringLiteral("screen.json"));
  {
    QFile f(screen);
    if (f.open(QIODevice::WriteOnly)) {
      f.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1600,
                 "height": 1000, "logicalDpiX": 96, "logicalDpiY": 96}]})");
    }
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screen).toUtf8());
  }
  qputenv("XDG_CONFIG_HOME", settings.path().toUtf8());
  // The measurement archive of the pictures, never the person's.
  qputenv("XDG_DATA_HOME", settings.filePath(QStringLiteral("data")).toUtf8());
  QApplication app(argc, argv);
  qv::SetApplicationIdentity();
  // As the application shows it in every window's title bar.
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quorvantel.svg")));
  if (argc < 2) {
    std::fprintf(stderr, "usage: qv_gui_screens <folder>\n");
    return 2;
  }
  g_folder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(g_folder);

  // Three languages, so that the language dialog shows a list.
  auto data = qv::test::DataFolder::Shipped();
  data->Write(QStringLiteral("Quorvantel_Main.ini"),
              "[General]\r\nProduct=Quorvantel\r\n"
              "[ENGLISH]\r\nfile=English.ini\r\nhelpfile=help/English.html\r\ndispname=English\r\n"
              "[DEUTSCH]\r\nfile=ENGLISH.ini\r\ndispname=Deutsch\r\n"
              "[ESPANOL]\r\nfile=ENGLISH.ini\r\ndispname=Espa\xf1ol\r\n");
  data->Write(QStringLiteral("ENGLISH.ini"), qv::test::ShippedEnglish());
  data->Write(QStringLiteral("DEUTSCH.ini"), qv::test::ShippedEnglish());
  data->Write(QStringLiteral("ESPANOL.ini"), qv::test::ShippedEnglish());

  qv::AppContext ctx(data->Path(), "QuorvantelScreens");
  const QString archivePath = settings.filePath(QStringLiteral("archive.sqlite"));
  ctx.ArchivePath = archivePath;
  {
    const QString files = settings.filePath(QStringLiteral("archive-files"));
    QDir().mkpath(files);
    FillArchive(archivePath, ctx.Texts, files);
  }
  qv::test::ScriptedPrompter prompter;
  qv::TfrmMainForm form(ctx, prompter);
  if (!form.CreateDialogs()) return 1;
  form.setWindowState(Qt::WindowNoState);
  form.resize(800, 600);
  Save(&form, "main-window");
  for (const char* menu : {"mmFile", "mmInstrument", "mmConfig", "mmWindow", "mmHelp"}) {
    SaveMenu(form.Menu(QString::fromLatin1(menu)), (std::string("menu-") + (menu + 2)).c_str());
  }

  // The demo instrument's memories, downloaded as a person does it.
  qv::test::EmulatorProcess emulator;
  std::string error;
  if (!emulator.Start(QV_BIN_DIR "/quorvantel-emulator",
                      {"--memory", QV_BIN_DIR "/demo/demo-memory.json"}, &error)) {
    std::fprintf(stderr, "no demo instrument: %s\n", error.c_str());
    return 1;
  }
  qv::PortChoice port;
  port.ChooseDevice(emulator.Device());
  form.Download().ApplyPortChoice(port);
  using std::chrono::milliseconds;
  form.Download().Engine().SetPauses({milliseconds(0), milliseconds(0), milliseconds(0)});
  DownloadDemo(form, 0);
  Save(&form, "main-window-results-normal");
  SaveFileInfo(form, ctx.Doc, "dialog-file-info-results");
  SaveParameters(form, ctx.Doc, 1, "dialog-parameters-rectangle");
  SaveParameters(form, ctx.Doc, 0, "dialog-parameters-circle");
  SaveHeader(form, "dialog-header");
  SaveMenu(form.PopupMenu(), "menu-popup");
  form.setWindowState(Qt::WindowMaximized);
  Save(&form, "main-window-results-maximised");
  SaveReportPreview(form, ctx.Doc, prompter);
  DownloadDemo(form, 1);
  Save(&form, "main-window-logging");
  SaveFileInfo(form, ctx.Doc, "dialog-file-info-logging");
  form.setWindowState(Qt::WindowNoState);
  form.resize(800, 600);

  // Graph > Draw of air temperature and humidity of the demo's block, tiled; the select dialog
  // first, then the windows, one with the read-out under a mouse.
  ctx.Choices.Graph = {};
  ctx.Choices.Graph[0] = ctx.Choices.Graph[1] = true;
  OnNextModal([](QDialog* d) {
    Save(d, "dialog-select-graphs");
    d->findChild<QPushButton*>("btnOK")->click();
  });
  form.mmGraphDrawClick();
  form.resize(1000, 800);
  form.mmWinHorizClick();
  QApplication::processEvents();
  const QList<QMdiSubWindow*> graphs = form.MdiArea()->subWindowList(QMdiArea::CreationOrder);
  if (!graphs.isEmpty()) {
    auto* last = qobject_cast<qv::TfrmGraphChild*>(graphs.back()->widget());
    const qv::TLoggerRecord* block = ctx.Doc.Current();
    if (last && block) last->ShowReadout(block->BeginTime + 65.0 / 86400);
  }
  Save(&form, "main-window-tiled");

  Save(form.Forms().Language, "dialog-language");
  form.Forms().Port->SetPortDetector([] {
    qv::PortInfo usb;
    usb.Name = "ttyUSB0";
    usb.SystemLocation = "/dev/ttyUSB0";
    usb.Description = "FT232R USB UART";
    usb.Manufacturer = "FTDI";
    usb.StablePath = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3XYZ-if00-port0";
    qv::PortInfo serial;
    serial.Name = "ttyS0";
    serial.SystemLocation = "/dev/ttyS0";
    return std::vector<qv::PortInfo>{usb, serial};
  });
  Save(form.Forms().Port, "dialog-port");
  Save(form.Forms().Units, "dialog-units");
  Save(form.Forms().DLSelect, "dialog-memory-choice");
  Save(form.ExportDialog(), "dialog-export");
  form.mmHelpContentsClick();
  if (form.HelpWindow()) {
    Save(form.HelpWindow(), "help-window");
    form.HelpWindow()->close();
  }

  std::vector<qv::TLoggerRecord> blocks(14);
  const int samples[] = {41, 4096, 512, 40, 1200, 7, 300, 99, 2048, 64, 1, 410, 820, 3000};
  for (size_t i = 0; i < blocks.size(); ++i) {
    blocks[i].SampleCount = samples[i];
    blocks[i].BeginTime = *qv::EncodeDateTime({2024, 3, static_cast<int>(i) + 1, 9, 30, 0, 0});
  }
  blocks[1].Selected = 1;
  blocks[2].Selected = 1;
  blocks[5].Selected = 1;
  qv::TfrmDownLoadList* list = form.Forms().DownLoadList;
  list->SetBlocks(&blocks);
  list->SetMode(qv::ListMode::DownLoad);
  list->SizeBlockList(static_cast<int>(blocks.size()));
  Save(list, "dialog-blocks-download");
  list->hide();
  std::vector<qv::TLoggerRecord> few(blocks.begin(), blocks.begin() + 4);
  for (auto& b : few)
    b.Selected = 0;
  few[2].Selected = 1;
  list->SetBlocks(&few);
  list->SetMode(qv::ListMode::Show);
  list->SizeBlockList(static_cast<int>(few.size()));
  Save(list, "dialog-blocks-show");

  // Every shipped language: the main window with the demo results, the language dialog and
  // the units dialog, to look for texts that do not fit.
  const qv::IniFile product = qv::IniFile::Load(QV_BIN_DIR "/Quorvantel_Main.ini");
  const std::vector<qv::LanguageEntry> languages = qv::ListLanguages(product, QV_BIN_DIR);
  for (size_t index = 0; index < languages.size(); ++index) {
    const qv::LanguageEntry& language = languages[index];
    const std::string settingsName = "QuorvantelScreens-" + language.Section;
    qv::SettingsStore(settingsName).WriteText("Language", language.Section);
    qv::SettingsStore(settingsName).WriteInt("LangIndex", static_cast<int32_t>(index));
    qv::AppContext lctx(QV_BIN_DIR, settingsName);
    lctx.ArchivePath = archivePath;
    qv::test::ScriptedPrompter lprompter;
    qv::TfrmMainForm lform(lctx, lprompter);
    if (!lform.CreateDialogs()) continue;
    lform.setWindowState(Qt::WindowNoState);
    lform.resize(1280, 800);
    lform.Download().ApplyPortChoice(port);
    lform.Download().Engine().SetPauses({milliseconds(0), milliseconds(0), milliseconds(0)});
    DownloadDemo(lform, 0);
    const std::string prefix = "lang-" + language.Section;
    Save(&lform, (prefix + "-main").c_str());
    SaveMenu(lform.Menu(QStringLiteral("mmFile")), (prefix + "-menu-file").c_str());
    Save(lform.Forms().Language, (prefix + "-language").c_str());
    lform.Forms().Language->hide();
    Save(lform.Forms().Units, (prefix + "-units").c_str());
    Save(lform.ExportDialog(), (prefix + "-export").c_str());
    lform.Forms().Units->hide();
    // The other dialogs, for texts that do not fit.
    Save(lform.Forms().DLSelect, (prefix + "-memory-choice").c_str());
    lform.Forms().DLSelect->hide();
    Save(lform.Forms().Port, (prefix + "-port").c_str());
    lform.Forms().Port->hide();
    std::vector<qv::TLoggerRecord> shown(blocks.begin(), blocks.begin() + 3);
    qv::TfrmDownLoadList* blockList = lform.Forms().DownLoadList;
    blockList->SetBlocks(&shown);
    blockList->SetMode(qv::ListMode::DownLoad);
    blockList->SizeBlockList(static_cast<int>(shown.size()));
    Save(blockList, (prefix + "-blocks").c_str());
    blockList->hide();
    lform.Forms().Transfering->SetActivity(lctx.Tr("Connecting_35"));
    Save(lform.Forms().Transfering, (prefix + "-transfer").c_str());
    lform.Forms().Transfering->hide();
    Save(lform.Forms().About, (prefix + "-about").c_str());
    lform.Forms().About->hide();
    SaveFileInfo(lform, LoggingExample(), prefix + "-file-info");
    SaveParameters(lform, lctx.Doc, 1, prefix + "-parameters");
    SaveHeader(lform, prefix + "-header");
    // The toolkit's own dialogs in the language, and the language's help page.
    if (QFileDialog* save = lform.SaveDialog()) {
      save->resize(760, 460);
      Save(save, (prefix + "-save-dialog").c_str());
      save->hide();
    }
    SaveArchive(lform);
    for (const char* picture : {"archive-window", "archive-trend"}) {
      const QString named =
          QDir(g_folder).filePath(QString::fromStdString(prefix) + "-" + picture + ".png");
      QFile::remove(named);
      QFile::rename(QDir(g_folder).filePath(QString::fromLatin1(picture) + ".png"), named);
    }
    lform.mmHelpContentsClick();
    if (lform.HelpWindow()) {
      Save(lform.HelpWindow(), ("help-" + language.Section).c_str());
      lform.HelpWindow()->close();
    }
    lform.hide();
  }

  qv::TfrmTransfering* transfer = form.Forms().Transfering;
  transfer->SetActivity(ctx.Tr("DLoadData_35"));
  transfer->SetProgress(42);
  Save(transfer, "dialog-transfer");
  transfer->hide();
  SaveArchive(form);
  Save(form.Forms().About, "dialog-about");

  // Graphs of the demo's logging block with 1 and 4 quantities, then 16 of a block logging all
  // 64 signals; the main window at 1600 x 1000, the windows tiled.
  form.setWindowState(Qt::WindowNoState);
  form.resize(1600, 1000);
  const auto draw = [&](std::initializer_list<int> quantities, const char* name) {
    ctx.Choices.Graph = {};
    for (const int q : quantities)
      ctx.Choices.Graph[static_cast<size_t>(q - 1)] = true;
    OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnOK")->click(); });
    form.mmGraphDrawClick();
    form.mmWinHorizClick();
    QApplication::processEvents();
    Save(&form, name);
  };
  draw({1}, "graphs-1");
  const QList<QMdiSubWindow*> one = form.MdiArea()->subWindowList();
  if (!one.isEmpty() && ctx.Doc.Current() != nullptr) {
    auto* graph = qobject_cast<qv::TfrmGraphChild*>(one.front()->widget());
    one.front()->showNormal();
    one.front()->resize(900, 620);
    QApplication::processEvents();
    graph->ShowReadout(ctx.Doc.Current()->BeginTime + 125.0 / 86400);
    Save(one.front(), "graph-cursor");
  }
  draw({1, 2, 15, 16}, "graphs-4");
  // The same four on an 800 x 600 main window: the windows keep their charts' minimum size and
  // the area scrolls.
  form.resize(800, 600);
  draw({1, 2, 15, 16}, "graphs-800x600");
  form.resize(1600, 1000);
  SaveGraphPrint(form, ctx);
  {
    qv::Document& doc = ctx.Doc;
    qv::TLoggerRecord b;
    b.UnitSystem = "SI";
    b.IntervalSec = 60;
    b.BeginTime = doc.Current() ? doc.Current()->BeginTime : 45000;
    b.SampleCount = 240;
    for (int code = 1; code <= qv::kLoggerSignals; ++code) {
      b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
      b.SignalPresent[static_cast<size_t>(code)] = 1;
      std::vector<double>& v = b.Samples[static_cast<size_t>(qv::StoragePos(code))];
      for (int k = 0; k < b.SampleCount; ++k)
        v.push_back(10 + (code % 4) + 3 * std::sin(k / 20.0 + code));
    }
    ShowLogging(ctx, {b});
    ctx.Choices.Graph.fill(true);
    OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnOK")->click(); });
    form.mmGraphDrawClick();
    form.mmWinHorizClick();
    QApplication::processEvents();
    Save(&form, "graphs-16");
  }
  SaveComfort(form, ctx);
  SaveSurvey(form, ctx, prompter);
  std::printf("pictures written to %s\n", qPrintable(g_folder));
  return 0;
}
