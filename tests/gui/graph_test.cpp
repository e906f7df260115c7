// Graph > Draw with real windows: the choice of quantities, one window per quantity with its
// series, the read-out under the mouse, the zoom floor, and the panel back after Close All.
#include "ShellFixture.h"
#include "graph/GraphWindow.h"
#include "graph/ShowGraphDialog.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>

namespace qv {
namespace {

// Resident memory of this process, from /proc.
double ResidentMegabytes() {
  QFile statm(QStringLiteral("/proc/self/statm"));
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1024 * 1024) : 0;
}

class Graphs : public test::ShellTest {
 protected:
  void SetUp() override {
    Start();
    ASSERT_TRUE(started_);
    form_->show();
  }
  // One block of `samples` samples every 10 s of the given codes; value = code + sample / 100.
  void Logging(int samples, const std::vector<int>& codes) {
    Document& doc = ctx_->Doc;
    TLoggerRecord& b = doc.LoggerBlocks.emplace_back();
    b.UnitSystem = "SI";
    b.IntervalSec = 10;
    b.BeginTime = 39580 + 10.0 / 24;  // 12.05.2008 10:00:00
    b.SampleCount = samples;
    for (const int code : codes) {
      b.SignalCodes[static_cast<size_t>(b.SignalCount++)] = code;
      b.SignalPresent[static_cast<size_t>(code)] = 1;
    }
    doc.SizeSampleArrays(0, samples);
    for (int pos = 1; pos <= b.SignalCount; ++pos) {
      for (int k = 0; k < samples; ++k)
        doc.StoreSample(0, pos, k, codes[static_cast<size_t>(pos - 1)] + k / 100.0);
    }
    doc.Kind = DocumentKind::Logging;
    ASSERT_TRUE(ctx_->Workspace.ShowBlock(0, quiet_));
  }
  void DrawConfirming(std::function<void(TfrmShowGraph*)> check = {}) {
    test::OnNextModal([check](QDialog* d) {
      if (check) check(qobject_cast<TfrmShowGraph*>(d));
      d->findChild<QPushButton*>("btnOK")->click();
    });
    form_->Action("mmGraphDraw")->trigger();
  }
};

TEST_F(Graphs, DrawMakesOneWindowPerDrawableChosenQuantity) {
  Logging(3600, {1, 2, 3, 4, 5});
  // Humidity and dew point were chosen before; dew point is not logged by this block.
  ctx_->Choices.Graph = {};
  ctx_->Choices.Graph[1] = ctx_->Choices.Graph[2] = true;
  DrawConfirming([](TfrmShowGraph* d) {
    EXPECT_FALSE(d->Box(3)->isEnabled());
    EXPECT_FALSE(d->Box(3)->isChecked()) << "a quantity the block cannot draw";
    EXPECT_TRUE(d->Box(2)->isChecked());
    d->Box(1)->setChecked(true);
  });
  const std::vector<TfrmGraphChild*> windows = Windows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0]->Quantity(), 2) << "from the highest quantity down";
  EXPECT_EQ(windows[1]->Quantity(), 1);
  EXPECT_TRUE(form_->MainPanel()->isHidden());
  EXPECT_TRUE(ctx_->Choices.Graph[0]) << "the confirmed choice is stored";

  TfrmGraphChild* air = windows[1];
  EXPECT_EQ(air->Bounds(), (AxisBounds{40, 0}));  // 1 .. 39.99 and 4 .. 39.99
  for (int s = 0; s < 4; ++s)
    EXPECT_TRUE(air->StatisticBox(s)->isChecked()) << s;
  EXPECT_EQ(air->Plot()->graph(0)->dataCount(), 3600);

  // The read-out 4 s after sample 11: its values (as the table rounds them) and its time.
  air->ShowReadout(39580 + 10.0 / 24 + 104.0 / 86400);
  EXPECT_TRUE(air->StatusText(0).endsWith(QStringLiteral(": 1.1")))
      << air->StatusText(0).toStdString();
  EXPECT_TRUE(air->StatusText(3).endsWith(QStringLiteral(": 4.1")));
  EXPECT_TRUE(air->StatusText(4).endsWith(QStringLiteral("12.05.08   10:01:40")));
  EXPECT_TRUE(air->CursorShown());
  air->ResetReadout();
  EXPECT_FALSE(air->CursorShown());

  // At least one statistic stays shown.
  for (int s = 0; s < 4; ++s)
    air->StatisticBox(s)->click();
  EXPECT_TRUE(air->StatisticBox(3)->isChecked());
  EXPECT_FALSE(air->Plot()->graph(0)->visible());

  // A zoom below the floor is raised to it; a right click restores the whole view.
  air->Plot()->yAxis->setRange(-100, 10);
  EXPECT_DOUBLE_EQ(air->Plot()->yAxis->range().lower, 0);

  form_->Action("mmGraphCloseAll")->trigger();
  EXPECT_TRUE(Windows().empty());
  EXPECT_FALSE(form_->MainPanel()->isHidden());
}

TEST_F(Graphs, FiveBoxesFiveWindowsAndASecondDrawReplacesThem) {
  Logging(60, {1, 5, 13, 57, 61, 22});  // air temp, humidity, air velocity, CO2, CO, illumination
  ctx_->Choices.Graph = {};
  DrawConfirming([](TfrmShowGraph* d) {
    // Only what the block logs can be chosen.
    for (int q = 1; q <= 16; ++q) {
      const bool logged = q == 1 || q == 2 || q == 4 || q == 6 || q == 15 || q == 16;
      EXPECT_EQ(d->Box(q)->isEnabled(), logged) << q;
    }
    for (int q : {1, 2, 4, 15, 16})
      d->Box(q)->setChecked(true);
  });
  std::vector<int> order;
  for (TfrmGraphChild* w : Windows())
    order.push_back(w->Quantity());
  EXPECT_EQ(order, (std::vector<int>{16, 15, 4, 2, 1}));
  const std::vector<TfrmGraphChild*> first = Windows();
  QPointer<TfrmGraphChild> old(first[0]);

  // A window that loses the focus loses its cursor line.
  const QList<QMdiSubWindow*> subs = form_->MdiArea()->subWindowList(QMdiArea::CreationOrder);
  form_->MdiArea()->setActiveSubWindow(subs[0]);
  QApplication::processEvents();
  first[0]->ShowReadout(39580 + 10.0 / 24 + 20.0 / 86400);
  ASSERT_TRUE(first[0]->CursorShown());
  form_->MdiArea()->setActiveSubWindow(subs[1]);
  QApplication::processEvents();
  EXPECT_FALSE(first[0]->CursorShown());

  DrawConfirming([](TfrmShowGraph* d) {
    for (int q = 1; q <= 16; ++q)
      d->Box(q)->setChecked(q == 6);
  });
  QApplication::processEvents();
  ASSERT_EQ(Windows().size(), 1u);
  EXPECT_EQ(Windows()[0]->Quantity(), 6);
  EXPECT_TRUE(old.isNull()) << "the first set was closed";

  // Cancel leaves the windows as they are.
  test::OnNextModal([](QDialog* d) { d->findChild<QPushButton*>("btnCancel")->click(); });
  form_->Action("mmGraphDraw")->trigger();
  EXPECT_EQ(Windows().size(), 1u);
}

TEST_F(Graphs, PrintsToAPdfAndSavesPictures) {
  Logging(360, {1, 4});
  ctx_->Choices.Graph = {};
  ctx_->Choices.Graph[0] = true;
  DrawConfirming();
  ASSERT_EQ(Windows().size(), 1u);
  TfrmGraphChild* graph = Windows()[0];
  graph->ShowReadout(39580 + 10.0 / 24 + 60.0 / 86400);
  ASSERT_TRUE(graph->CursorShown());

  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("graph.pdf"));
  prompter_.printFiles = {pdf};
  OpenMenu(form_->Menu("mmGraph"));
  form_->Action("mmGraphPrint")->trigger();
  QFile printed(pdf);
  ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
  EXPECT_TRUE(printed.read(5) == "%PDF-");
  EXPECT_TRUE(prompter_.shown.empty());
  // One landscape page, read by pdfinfo.
  QProcess info;
  info.start(QStringLiteral("pdfinfo"), {pdf});
  ASSERT_TRUE(info.waitForFinished(30000)) << "pdfinfo (poppler-utils) is needed";
  const QString text = QString::fromUtf8(info.readAllStandardOutput());
  EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))))
      << text.toStdString();
  const QRegularExpressionMatch size =
      QRegularExpression(QStringLiteral("Page size:\\s+([0-9.]+) x ([0-9.]+)")).match(text);
  ASSERT_TRUE(size.hasMatch()) << text.toStdString();
  EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble()) << "landscape";
  EXPECT_FALSE(graph->CursorShown()) << "a print redraws the chart without it";

  for (const char* name : {"graph.png", "graph.svg", "graph.pdf"}) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile::remove(path);
    QString error;
    EXPECT_TRUE(graph->SaveImage(path, &error)) << name << error.toStdString();
    EXPECT_GT(QFileInfo(path).size(), 1000) << name;
  }
  QString error;
  EXPECT_FALSE(graph->SaveImage(dir.filePath(QStringLiteral("no-such/x.png")), &error));
  EXPECT_FALSE(error.isEmpty());
}

// The printed page is the whole chart scaled to the paper: its title at the top, the time labels
// along the bottom from one side to the other, in print-sized type, and the drawing covering
// most of the page (a chart painted at printer resolution with screen-sized fonts shows one
// magnified corner instead).
TEST_F(Graphs, PrintedPageIsTheWholeChartFillingThePage) {
  Logging(2880, {1, 2, 3, 4});  // eight hours
  ctx_->Choices.Graph = {};
  ctx_->Choices.Graph[0] = true;
  DrawConfirming();
  ASSERT_EQ(Windows().size(), 1u);
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("graph.pdf"));
  prompter_.printFiles = {pdf};
  OpenMenu(form_->Menu("mmGraph"));
  form_->Action("mmGraphPrint")->trigger();
  ASSERT_TRUE(QFileInfo(pdf).size() > 0);

  // The words with their boxes (points), read by pdftotext.
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000)) << "pdftotext (poppler-utils) is needed";
  const QString html = QString::fromUtf8(text.readAllStandardOutput());
  const QRegularExpressionMatch page =
      QRegularExpression(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\""))
          .match(html);
  ASSERT_TRUE(page.hasMatch()) << html.toStdString();
  const double width = page.captured(1).toDouble(), height = page.captured(2).toDouble();
  EXPECT_GT(width, height) << "landscape";
  struct Word {
    QString text;
    double x0, y0, x1, y1;
  };
  std::vector<Word> words;
  QRegularExpressionMatchIterator it =
      QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" "
                                        "xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"))
          .globalMatch(html);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    words.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                     m.captured(3).toDouble(), m.captured(4).toDouble()});
  }
  const QString title = ctx_->Tr("labAirTemp_25").split(QLatin1Char(' ')).first();
  const auto titleWord =
      std::find_if(words.begin(), words.end(), [&](const Word& w) { return w.text == title; });
  ASSERT_NE(titleWord, words.end()) << "the title " << title.toStdString();
  EXPECT_LT(titleWord->y1, 0.15 * height) << "at the top";
  EXPECT_LT(titleWord->y1 - titleWord->y0, 0.05 * height) << "print-sized, not magnified";
  std::vector<Word> times;
  for (const Word& w : words) {
    if (QRegularExpression(QStringLiteral("^\\d{1,2}:\\d\\d:\\d\\d$")).match(w.text).hasMatch())
      times.push_back(w);
  }
  ASSERT_GE(times.size(), 3u) << html.toStdString();
  double left = width, right = 0;
  for (const Word& w : times) {
    EXPECT_GT(w.y0, 0.75 * height) << "along the bottom: " << w.text.toStdString();
    left = std::min(left, w.x0);
    right = std::max(right, w.x1);
  }
  EXPECT_LT(left, 0.3 * width);
  EXPECT_GT(right, 0.7 * width);

  // Rendered: the drawing (anything not white) spans most of the page both ways.
  const QString png = dir.filePath(QStringLiteral("page"));
  ASSERT_EQ(QProcess::execute(QStringLiteral("pdftoppm"),
                              {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"),
                               QStringLiteral("-singlefile"), pdf, png}),
            0);
  const QImage image(png + QStringLiteral(".png"));
  ASSERT_FALSE(image.isNull());
  QRect ink;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 200) ink |= QRect(x, y, 1, 1);
    }
  }
  EXPECT_GT(ink.width(), 0.85 * image.width());
  EXPECT_GT(ink.height(), 0.85 * image.height());
}

// A picture of the chart is the chart without the read-out's cursor line (a red line the plot's
// whole height).
TEST_F(Graphs, SavedPicturesCarryNoCursorLine) {
  Logging(360, {1, 2});
  ctx_->Choices.Graph = {};
  ctx_->Choices.Graph[0] = true;
  DrawConfirming();
  TfrmGraphChild* graph = Windows().at(0);
  const auto redColumns = [](const QImage& image) {
    int columns = 0;
    for (int x = 0; x < image.width(); ++x) {
      int red = 0;
      for (int y = 0; y < image.height(); ++y)
        red += qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 80 ? 1 : 0;
      if (red > image.height() / 2) ++columns;
    }
    return columns;
  };
  graph->ShowReadout(39580 + 10.0 / 24 + 1800.0 / 86400);
  ASSERT_TRUE(graph->CursorShown());
  ASSERT_GT(redColumns(graph->Plot()->grab().toImage()), 0) << "the line is on screen";
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("chart.png"));
  QString error;
  ASSERT_TRUE(graph->SaveImage(path, &error)) << error.toStdString();
  EXPECT_EQ(redColumns(QImage(path)), 0);
  // Graph > Save Graph as Image asks for the file and writes the kind its suffix names.
  const QString svg = dir.filePath(QStringLiteral("chart.svg"));
  prompter_.files = {svg};
  OpenMenu(form_->Menu("mmGraph"));
  ASSERT_TRUE(Enabled("mmGraphSaveImage"));
  form_->Action("mmGraphSaveImage")->trigger();
  QFile written(svg);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.readAll().contains("<svg"));
}

// The legend stands above the plot, never on the data, and names the shown statistics in one
// order whatever order they were switched on in.
TEST_F(Graphs, LegendKeepsItsOrderAboveThePlot) {
  Logging(60, {1, 2, 3, 4});
  ctx_->Choices.Graph = {};
  ctx_->Choices.Graph[0] = true;
  DrawConfirming();
  TfrmGraphChild* graph = Windows().at(0);
  TGraphChart* chart = graph->Plot();
  QStringList all;
  for (const char* key : {"LogSerTit1_8", "LogSerTit2_8", "LogSerTit3_8", "LogSerTit4_8"})
    all.push_back(ctx_->Tr(key));
  EXPECT_EQ(chart->LegendNames(), all);
  for (int s : {0, 1, 2})
    graph->StatisticBox(s)->click();
  EXPECT_EQ(chart->LegendNames(), QStringList{all[3]});
  for (int s : {2, 0, 1})
    graph->StatisticBox(s)->click();
  EXPECT_EQ(chart->LegendNames(), all);
  chart->replot(QCustomPlot::rpImmediateRefresh);
  EXPECT_LE(chart->legend->outerRect().bottom(), chart->axisRect()->rect().top())
      << "outside the plot rectangle";
}

// At 800 x 600 the windows keep the chart's minimum size (the area scrolls instead), the status
// panels stay off the axes, and the time labels never run into each other.
TEST_F(Graphs, SmallMainWindowKeepsChartsReadable) {
  std::vector<int> codes;
  for (int c = 1; c <= 64; ++c)
    codes.push_back(c);
  Logging(2880, codes);
  form_->setWindowState(Qt::WindowNoState);
  form_->resize(800, 600);
  QApplication::processEvents();
  const QSize quarter(qRound(form_->MainPanel()->width() / 4.0),
                      qRound(form_->MainPanel()->height() / 4.0));
  const auto check = [&](const char* when) {
    for (TfrmGraphChild* w : Windows()) {
      TGraphChart* chart = w->Plot();
      chart->replot(QCustomPlot::rpImmediateRefresh);
      EXPECT_GE(chart->width(), quarter.width()) << when;
      EXPECT_GE(chart->height(), quarter.height()) << when;
      const QRect plot(chart->mapTo(w, chart->rect().topLeft()), chart->size());
      for (int p = 0; p < 5; ++p) {
        const QLabel* panel = w->StatusPanel(p);
        const QRect r(panel->mapTo(w, QPoint(0, 0)), panel->size());
        EXPECT_FALSE(r.intersects(plot)) << when << ": panel " << p << " of " << w->Quantity();
      }
      const std::vector<TGraphChart::TickLabel> labels = chart->TimeLabels();
      EXPECT_GE(labels.size(), 2u) << when;
      for (size_t i = 1; i < labels.size(); ++i) {
        EXPECT_LT(labels[i - 1].Right, labels[i].Left)
            << when << ": " << labels[i - 1].Text.toStdString() << " | "
            << labels[i].Text.toStdString();
      }
    }
  };
  for (const int count : {4, 16}) {
    ctx_->Choices.Graph = {};
    for (int q = 1; q <= count; ++q)
      ctx_->Choices.Graph[static_cast<size_t>(q - 1)] = true;
    DrawConfirming();
    QApplication::processEvents();
    ASSERT_EQ(Windows().size(), static_cast<size_t>(count));
    check(count == 4 ? "4 tiled" : "16 tiled");
    form_->mmWinVerticClick();
    QApplication::processEvents();
    check("tiled side by side");
    form_->mmWinCascadeClick();
    QApplication::processEvents();
    check("cascaded");
  }
  // Sixteen do not fit: the area scrolls to reach them.
  form_->mmWinHorizClick();
  QApplication::processEvents();
  EXPECT_TRUE(form_->MdiArea()->verticalScrollBar()->isVisible());
  // A cascaded window is a usable size, not the desktop's small default.
  form_->mmWinCascadeClick();
  QApplication::processEvents();
  const QMdiSubWindow* top = form_->MdiArea()->subWindowList(QMdiArea::CreationOrder).back();
  EXPECT_GE(top->width(), form_->MdiArea()->viewport()->width() / 2);
}

// Only the active graph window follows the mouse: another window's panels stay at rest.
TEST_F(Graphs, OnlyTheActiveWindowReadsOut) {
  Logging(360, {1, 5});
  ctx_->Choices.Graph = {};
  ctx_->Choices.Graph[0] = ctx_->Choices.Graph[1] = true;
  DrawConfirming();
  const QList<QMdiSubWindow*> subs = form_->MdiArea()->subWindowList(QMdiArea::CreationOrder);
  ASSERT_EQ(subs.size(), 2);
  form_->MdiArea()->setActiveSubWindow(subs[0]);
  QApplication::processEvents();
  const auto move = [](TfrmGraphChild* w) {
    TGraphChart* chart = w->Plot();
    chart->replot(QCustomPlot::rpImmediateRefresh);
    const QPoint centre = chart->axisRect()->rect().center();
    QMouseEvent event(QEvent::MouseMove, centre, chart->mapToGlobal(centre), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(chart, &event);
  };
  auto* active = qobject_cast<TfrmGraphChild*>(subs[0]->widget());
  auto* other = qobject_cast<TfrmGraphChild*>(subs[1]->widget());
  const QString rest = other->StatusText(4);
  move(other);
  EXPECT_EQ(other->StatusText(4), rest);
  EXPECT_FALSE(other->CursorShown());
  move(active);
  EXPECT_NE(active->StatusText(4), rest);
  EXPECT_TRUE(active->CursorShown());
}

TEST_F(Graphs, WithoutLoggingDataDrawSaysSo) {
  form_->findChild<QToolButton*>("sbGraph")->click();
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgNoDataForGraph_35")});
  EXPECT_TRUE(Windows().empty());
}

// The smallest a graph window gets (its chart at the least any main window gives it): every
// status text and value-axis title fits there, at rest and with values.
TEST_F(Graphs, SmallWindowsKeepEveryTextWhole) {
  std::vector<int> codes;
  for (int c = 1; c <= 64; ++c)
    codes.push_back(c);
  Logging(600, codes);
  const TLoggerRecord& block = *ctx_->Doc.Current();
  const auto fits = [](TfrmGraphChild& w, const char* when) {
    for (QLabel* panel : w.findChildren<QLabel*>(QRegularExpression(QStringLiteral("^sbPanel")))) {
      EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->text()),
                panel->contentsRect().width())
          << when << ", quantity " << w.Quantity() << ": " << panel->text().toStdString();
    }
    const QCPAxis* axis = w.Plot()->yAxis;
    EXPECT_LE(QFontMetrics(axis->labelFont()).horizontalAdvance(axis->label()),
              w.Plot()->axisRect()->height())
        << w.Quantity();
  };
  for (int q = 1; q <= 16; ++q) {
    TfrmGraphChild w(*ctx_, prompter_, q, block);
    w.SetMinimumChartSize(QSize(400, 220));
    w.resize(w.minimumSizeHint());
    w.show();
    QApplication::processEvents();
    w.Plot()->replot(QCustomPlot::rpImmediateRefresh);
    fits(w, "at rest");
    w.ShowReadout(block.BeginTime + 3000.0 / 86400);
    fits(w, "with values");
  }
}

TEST_F(Graphs, SixteenWindowsOfTheLargestBlockAreQuick) {
  std::vector<int> codes;
  for (int c = 1; c <= 64; ++c)
    codes.push_back(c);
  Logging(4096, codes);
  ctx_->Choices.Graph.fill(true);
  QApplication::processEvents();
  const double before = ResidentMegabytes();
  QElapsedTimer clock;
  clock.start();
  DrawConfirming();
  QApplication::processEvents();
  const qint64 ms = clock.elapsed();
  const double memory = ResidentMegabytes() - before;
  ASSERT_EQ(Windows().size(), 16u);

  // A cursor move (read-out and the cursor's own layer) and a zoom's full redraw of one window.
  TfrmGraphChild* graph = Windows().back();
  form_->MdiArea()->setActiveSubWindow(form_->MdiArea()->subWindowList().back());
  QApplication::processEvents();
  const double start = 39580 + 10.0 / 24;
  clock.restart();
  constexpr int kMoves = 200;
  for (int i = 0; i < kMoves; ++i)
    graph->ShowReadout(start + (i * 97 % 4096) * 10.0 / 86400);
  const double move = static_cast<double>(clock.nsecsElapsed()) / 1e6 / kMoves;
  clock.restart();
  constexpr int kRedraws = 20;
  for (int i = 0; i < kRedraws; ++i) {
    graph->Plot()->xAxis->setRange(graph->Plot()->xAxis->range().lower,
                                   graph->Plot()->xAxis->range().upper - 10);
    graph->Plot()->replot(QCustomPlot::rpImmediateRefresh);
  }
  const double redraw = static_cast<double>(clock.nsecsElapsed()) / 1e6 / kRedraws;
  std::printf(
      "16 windows of 4 x 4096 points: draw %lld ms, memory %.1f MB; cursor move %.3f ms; "
      "zoom redraw %.2f ms\n",
      static_cast<long long>(ms), memory, move, redraw);
  if (test::kTimedBuild) {
    EXPECT_LT(ms, 1000);
    EXPECT_LT(memory, 60);
    EXPECT_LT(move, 2);
    EXPECT_LT(redraw, 16);
  }
}

}  // namespace
}  // namespace qv
