#include "print/HeaderDialog.h"

#include "common/WindowLook.h"
#include "format/DateTimeText.h"
#include "report/ReportPainter.h"

#include <QApplication>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace qv {
namespace {

struct ProbeNames {
  const char* suffix;  // of the type and serial fields
  const char* label;
  const char* key;
};
// In the order of PrintHeader::Probe, which is the report's.
constexpr ProbeNames kProbes[PrintHeader::ProbeCount] = {{"Temp", "lbTemp", "lbTemp_12"},
                                                         {"Hum", "lbHum", "lbHum_12"},
                                                         {"AirVel", "lbAirV", "lbAirV_12"},
                                                         {"Ill", "lbIlum", "lbIlum_12"},
                                                         {"ThCoup", "lbThCoup", "lbThCoup_12"},
                                                         {"Gl", "lbGlobe", "lbGlobe_12"},
                                                         {"Lum", "lbLum", "lbLum_12"},
                                                         {"CO2", "lbCO2", "lbCO2_12"},
                                                         {"CO", "lbCO", "lbCO_12"},
                                                         {"Adap", "lbAdap", "lbAdap_12"}};
constexpr int kProbeTypeLength = 6;
constexpr int kProbeSerNoLength = 8;
constexpr int kFirstLineLength = 36;
constexpr int kSecondLineLength = 45;
// The title band gives the operator lines the room up to the test site's (from 24 to 382).
constexpr int kHeaderLineWidth = 382 - 24;
// Frame and inner margins of a line edit.
constexpr int kEditFrame = 12;
// The footer is typed a pixel smaller than the report prints it; its limit is the report's.
constexpr ReportFont kFooterFieldFont{12, false};
// Comment lines the editor shows without scrolling.
constexpr int kCommentRowsShown = 8;

QGroupBox* Group(AppContext& ctx, QWidget* parent, const char* name, const char* key) {
  auto* box = new QGroupBox(QStringLiteral("  ") + ctx.Tr(key) + QStringLiteral("  "), parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QLabel* Caption(AppContext& ctx, QWidget* parent, const char* name, const char* key) {
  auto* label = new QLabel(ctx.Tr(key), parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

// The comment editor. Every edit a person makes (keys, input methods, paste, drop) is checked
// once it has taken effect and undone when `accepts` refuses the result; text set by the
// program is not checked.
class CommentEdit : public QPlainTextEdit {
 public:
  CommentEdit(QWidget* parent, std::function<bool(const QString&)> accepts)
      : QPlainTextEdit(parent), accepts_(std::move(accepts)) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    Checked([&] { QPlainTextEdit::keyPressEvent(event); });
  }
  void inputMethodEvent(QInputMethodEvent* event) override {
    Checked([&] { QPlainTextEdit::inputMethodEvent(event); });
  }
  void insertFromMimeData(const QMimeData* source) override {
    Checked([&] { QPlainTextEdit::insertFromMimeData(source); });
  }

 private:
  template <typename Edit>
  void Checked(Edit edit) {
    // A paste by key arrives here twice, nested: the outer call checks.
    if (checking_) return edit();
    checking_ = true;
    const QString before = toPlainText();
    const int caret = textCursor().position();
    edit();
    const QString after = toPlainText();
    if (after != before && !accepts_(after)) {
      setPlainText(before);
      QTextCursor cursor = textCursor();
      cursor.setPosition(std::min(caret, static_cast<int>(before.size())));
      setTextCursor(cursor);
      QApplication::beep();
    }
    checking_ = false;
  }

  std::function<bool(const QString&)> accepts_;
  bool checking_ = false;
};

}  // namespace

TfrmHeader::TfrmHeader(AppContext& ctx, Prompter& prompter, QWidget* parent)
    : QDialog(parent), ctx_(ctx), prompter_(prompter) {
  setObjectName(QStringLiteral("frmHeader"));
  setWindowTitle(ctx_.Tr("frmHeader_30") + QStringLiteral("  "));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildHeaderBox());
  layout->addWidget(BuildInstrumentBox());
  layout->addWidget(BuildProbeBox());

  // The comment and the footer as wide as the report prints them, the date and the buttons
  // beside them.
  auto* bottom = new QHBoxLayout;
  auto* texts = new QVBoxLayout;
  texts->addWidget(BuildCommentBox());
  texts->addWidget(BuildFooterBox());
  bottom->addLayout(texts);
  auto* side = new QVBoxLayout;
  side->addWidget(BuildDateBox());
  auto* load = new QPushButton(ctx_.Tr("btnLoadDefault_15"), this);
  load->setObjectName(QStringLiteral("btnLoadDefault"));
  connect(load, &QPushButton::clicked, this, &TfrmHeader::LoadHeaderDefaults);
  auto* save = new QPushButton(ctx_.Tr("btnSaveDefault_15"), this);
  save->setObjectName(QStringLiteral("btnSaveDefault"));
  connect(save, &QPushButton::clicked, this, &TfrmHeader::SaveHeaderDefaults);
  side->addWidget(load);
  side->addWidget(save);
  side->addStretch(1);
  side->addWidget(OkCancelButtons(ctx_, this));
  bottom->addLayout(side, 1);
  layout->addLayout(bottom);

  dtpDate_->setDate(QDate::currentDate());
  ApplyDialogLook(this);
}

QFont TfrmHeader::FieldFont(const ReportFont& font) const {
  // The report's own font: what fits here is measured as the report will print it.
  return SansFont(font.Px, font.Bold);
}

ReportTextWidth TfrmHeader::WidthFunction() const {
  return [this](const Bytes& text, const ReportFont& font) {
    return QFontMetricsF(FieldFont(font)).horizontalAdvance(ctx_.Decode(text));
  };
}

QLineEdit* TfrmHeader::AddEdit(QWidget* parent, const char* name, int maxLength,
                               const ReportFont& font) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setFont(FieldFont(font));
  if (maxLength > 0) edit->setMaxLength(maxLength);
  return edit;
}

QLineEdit* TfrmHeader::AddReadOnly(QWidget* parent, const char* name) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  // Filled by a download or a file, never typed.
  ReadOnlyLook(edit);
  return edit;
}

QWidget* TfrmHeader::BuildHeaderBox() {
  QGroupBox* box = Group(ctx_, this, "gbHeader", "gbHeader_30");
  box->setToolTip(ctx_.Tr("HeaderHint_70"));
  auto* grid = new QGridLayout(box);
  grid->setHorizontalSpacing(16);
  grid->addWidget(Caption(ctx_, box, "lbOperator", "qrlOperator_30"), 0, 0);
  grid->addWidget(Caption(ctx_, box, "lbTestSite", "qrlTestSite_30"), 0, 1);
  lines_[PrintHeader::Operator1] = AddEdit(box, "edtOperator1", kFirstLineLength, kOperator1Font);
  lines_[PrintHeader::Operator2] = AddEdit(box, "edtOperator2", kSecondLineLength, kOperator2Font);
  lines_[PrintHeader::TestSite1] = AddEdit(box, "edtTestSite1", kFirstLineLength, kTestSite1Font);
  lines_[PrintHeader::TestSite2] = AddEdit(box, "edtTestSite2", kSecondLineLength, kTestSite2Font);
  grid->addWidget(lines_[PrintHeader::Operator1], 1, 0);
  grid->addWidget(lines_[PrintHeader::Operator2], 2, 0);
  grid->addWidget(lines_[PrintHeader::TestSite1], 1, 1);
  grid->addWidget(lines_[PrintHeader::TestSite2], 2, 1);
  for (int line = PrintHeader::Operator1; line <= PrintHeader::TestSite2; ++line)
    lines_[static_cast<size_t>(line)]->setMinimumWidth(kHeaderLineWidth + kEditFrame);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  return box;
}

QWidget* TfrmHeader::BuildInstrumentBox() {
  QGroupBox* box = Group(ctx_, this, "gbInstrument", "qrlInstrumentsData_30");
  auto* grid = new QGridLayout(box);
  edtType_ = AddReadOnly(box, "edtType");
  edtCode_ = AddReadOnly(box, "edtCode");
  edtSerNo_ = AddReadOnly(box, "edtSerNo");
  edtProducer_ = AddReadOnly(box, "edtProducer");
  grid->addWidget(Caption(ctx_, box, "lbType", "qrlType_8"), 0, 0);
  grid->addWidget(edtType_, 0, 1);
  grid->addWidget(Caption(ctx_, box, "lbSerNo", "qrlSerNo_12"), 0, 2);
  grid->addWidget(edtSerNo_, 0, 3);
  grid->addWidget(Caption(ctx_, box, "lbCode", "qrlCode_8"), 1, 0);
  grid->addWidget(edtCode_, 1, 1);
  grid->addWidget(Caption(ctx_, box, "lbProducer", "qrlProducer_12"), 1, 2);
  grid->addWidget(edtProducer_, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  return box;
}

QWidget* TfrmHeader::BuildDateBox() {
  QGroupBox* box = Group(ctx_, this, "gbTestDate", "qrlTestDate_30");
  auto* column = new QVBoxLayout(box);
  dtpDate_ = new QDateEdit(box);
  dtpDate_->setObjectName(QStringLiteral("dtpDate"));
  // The regional pattern with the language's month names, as the report prints the date.
  if (!ctx_.Language.LocaleName.empty())
    dtpDate_->setLocale(QLocale(QString::fromStdString(ctx_.Language.LocaleName)));
  dtpDate_->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
  dtpDate_->setCalendarPopup(true);
  column->addWidget(dtpDate_);
  column->addStretch(1);
  return box;
}

QWidget* TfrmHeader::BuildProbeBox() {
  QGroupBox* box = Group(ctx_, this, "gbProbeData", "gbProbeData_30");
  auto* grid = new QGridLayout(box);
  grid->setHorizontalSpacing(10);
  // Two rows of five probes: ten in one row make the dialog wider than a 1024-pixel screen in
  // most languages.
  constexpr int kPerRow = PrintHeader::ProbeCount / 2;
  std::vector<QLabel*> names;
  for (int band = 0; band < 2; ++band) {
    const char* suffix = band == 0 ? "" : "2";
    grid->addWidget(Caption(ctx_, box, (std::string("lbProbeType") + suffix).c_str(), "qrlType_8"),
                    3 * band + 1, 0);
    grid->addWidget(
        Caption(ctx_, box, (std::string("lbProbeSerNo") + suffix).c_str(), "qrlSerNo_12"),
        3 * band + 2, 0);
  }
  for (int p = 0; p < PrintHeader::ProbeCount; ++p) {
    const ProbeNames& probe = kProbes[p];
    QLabel* name = Caption(ctx_, box, probe.label, probe.key);
    name->setAlignment(Qt::AlignCenter);
    names.push_back(name);
    const std::string type = std::string("edtType") + probe.suffix;
    const std::string serial = std::string("edtSerNo") + probe.suffix;
    probeType_[static_cast<size_t>(p)] =
        AddEdit(box, type.c_str(), kProbeTypeLength, kProbeTextFont);
    probeSerNo_[static_cast<size_t>(p)] =
        AddEdit(box, serial.c_str(), kProbeSerNoLength, kProbeTextFont);
    const int row = 3 * (p / kPerRow);
    const int column = p % kPerRow + 1;
    grid->addWidget(name, row, column);
    grid->addWidget(probeType_[static_cast<size_t>(p)], row + 1, column);
    grid->addWidget(probeSerNo_[static_cast<size_t>(p)], row + 2, column);
  }
  // The probes stand beside their row captions; what is left of the width goes to the right.
  grid->setColumnStretch(kPerRow + 1, 1);
  // All probe columns as wide as the widest name or a full serial number; fixed, because a line
  // edit otherwise asks for room for seventeen letters.
  int width =
      QFontMetrics(FieldFont(kProbeTextFont)).horizontalAdvance(QString(kProbeSerNoLength, '0')) +
      kEditFrame;
  for (const QLabel* name : names)
    width = std::max(width, name->sizeHint().width());
  for (size_t p = 0; p < probeType_.size(); ++p) {
    probeType_[p]->setFixedWidth(width);
    probeSerNo_[p]->setFixedWidth(width);
  }
  return box;
}

QWidget* TfrmHeader::BuildCommentBox() {
  QGroupBox* box = Group(ctx_, this, "gbComments", "gbComments_30");
  box->setToolTip(ctx_.Tr("CommentsHint_70"));
  auto* column = new QVBoxLayout(box);
  memComments_ = new CommentEdit(box, [this](const QString& text) {
    return CommentFitsWhileTyping(ctx_.Codec.Encode(text), WidthFunction());
  });
  memComments_->setObjectName(QStringLiteral("memComments"));
  memComments_->setFont(FieldFont(kCommentFont));
  memComments_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memComments_->setTabChangesFocus(true);
  const QFontMetrics metrics(memComments_->font());
  const int frame = 2 * memComments_->frameWidth() +
                    2 * static_cast<int>(memComments_->document()->documentMargin());
  // As wide as the report prints a comment line: what fits in the box fits on the page.
  memComments_->setFixedWidth(kHeaderOkWidth + frame +
                              memComments_->verticalScrollBar()->sizeHint().width());
  memComments_->setFixedHeight(metrics.lineSpacing() * kCommentRowsShown + frame);
  column->addWidget(memComments_);
  return box;
}

QWidget* TfrmHeader::BuildFooterBox() {
  QGroupBox* box = Group(ctx_, this, "gbFooter", "gbFooter_30");
  box->setToolTip(ctx_.Tr("FooterHint_70"));
  auto* column = new QVBoxLayout(box);
  lines_[PrintHeader::Footer] = AddEdit(box, "edtFooter", 0, kFooterFieldFont);
  connect(lines_[PrintHeader::Footer], &QLineEdit::textEdited, this, &TfrmHeader::edtFooterChange);
  column->addWidget(lines_[PrintHeader::Footer]);
  return box;
}

void TfrmHeader::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  memComments_->moveCursor(QTextCursor::Start);
}

PrintHeader TfrmHeader::Texts() const {
  PrintHeader header;
  for (size_t i = 0; i < lines_.size(); ++i)
    header.Lines[i] = ctx_.Codec.Encode(lines_[i]->text());
  for (size_t p = 0; p < probeType_.size(); ++p) {
    header.ProbeType[p] = ctx_.Codec.Encode(probeType_[p]->text());
    header.ProbeSerNo[p] = ctx_.Codec.Encode(probeSerNo_[p]->text());
  }
  header.Comments = CommentWithCrLf(ctx_.Codec.Encode(memComments_->toPlainText()));
  return header;
}

void TfrmHeader::SetTexts(const PrintHeader& header) {
  const auto show = [this](QLineEdit* edit, const Bytes& text) {
    edit->setText(ctx_.Decode(text));
    edit->setCursorPosition(0);
  };
  for (size_t i = 0; i < lines_.size(); ++i)
    show(lines_[i], header.Lines[i]);
  for (size_t p = 0; p < probeType_.size(); ++p) {
    show(probeType_[p], header.ProbeType[p]);
    show(probeSerNo_[p], header.ProbeSerNo[p]);
  }
  memComments_->setPlainText(ctx_.Decode(CommentWithLf(header.Comments)));
}

DateTime TfrmHeader::Date() const {
  const QDate d = dtpDate_->date();
  return EncodeDateTime({d.year(), d.month(), d.day()}).value_or(0);
}

void TfrmHeader::FillFromReport() {
  const ReportHeader& report = ctx_.Workspace.Report();
  const std::pair<QLineEdit*, const Bytes*> fields[] = {{edtType_, &report.InstrumentType},
                                                        {edtCode_, &report.InstrumentCode},
                                                        {edtSerNo_, &report.SerialNumber},
                                                        {edtProducer_, &report.Producer}};
  for (const auto& [edit, text] : fields) {
    edit->setText(ctx_.Decode(*text));
    edit->setCursorPosition(0);
  }
  QDate date = QDate::currentDate();
  if (report.Date > 0) {
    const DateTimeParts parts = DecodeDateTime(report.Date);
    date = QDate(parts.year, parts.month, parts.day);
  }
  dtpDate_->setDate(date);
}

void TfrmHeader::LoadFamily(HeaderFamily family) {
  PrintHeader header = Texts();
  LoadHeaderFamily(ctx_.Settings, family, header);
  SetTexts(header);
}

void TfrmHeader::SaveFamily(HeaderFamily family) {
  SaveHeaderFamily(ctx_.Settings, family, Texts());
}

void TfrmHeader::LoadHeaderTexts() {
  LoadFamily(HeaderFamily::Current);
}

void TfrmHeader::LoadHeaderDefaults() {
  LoadFamily(HeaderFamily::Default);
}

void TfrmHeader::SaveHeaderTexts() {
  SaveFamily(HeaderFamily::Current);
}

void TfrmHeader::SaveHeaderDefaults() {
  SaveFamily(HeaderFamily::Default);
}

void TfrmHeader::edtFooterChange() {
  QLineEdit* footer = lines_[PrintHeader::Footer];
  QString text = footer->text();
  const ReportTextWidth width = WidthFunction();
  if (FooterFitsWhileTyping(ctx_.Codec.Encode(text), width)) return;
  while (!text.isEmpty() && !FooterFitsWhileTyping(ctx_.Codec.Encode(text), width))
    text.chop(1);
  footer->setText(text);
  footer->setCursorPosition(static_cast<int>(text.size()));
  QApplication::beep();
}

void TfrmHeader::mmSettHeaderClick() {
  for (;;) {
    const bool fromFile = ctx_.Workspace.HeaderLoadedFromFile();
    ctx_.Workspace.ClearHeaderLoadedFromFile();
    if (headerReopen_) {
      headerReopen_ = false;
    } else {
      SetTexts(ctx_.Doc.Header);
      // After an open the file's texts are shown as they came.
      if (!fromFile) LoadHeaderTexts();
      FillFromReport();
    }
    if (exec() != QDialog::Accepted) return;
    const PrintHeader texts = Texts();
    if (const char* key = HeaderFitMessage(CheckHeaderFit(texts, WidthFunction()))) {
      prompter_.Message(parentWidget(), ctx_.Tr(key), QMessageBox::Information);
      headerReopen_ = true;
      continue;
    }
    SaveHeaderTexts();
    ctx_.Workspace.SetReportHeader(texts, Date());
    return;
  }
}

}  // namespace qv
