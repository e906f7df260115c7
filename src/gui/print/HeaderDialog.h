// File > Header Setup (frmHeader): the texts at the head and foot of the printed report, the
// probes' types and serial numbers and the comment printed after the last row. The dialog edits
// a copy: the document and the report take the texts only when OK finds that they fit the
// report, so Cancel never changes what the next save writes.
#pragma once

#include "common/AppContext.h"
#include "common/Prompter.h"
#include "print/HeaderLimits.h"
#include "print/HeaderSettings.h"

#include <QDialog>
#include <QFont>
#include <array>

class QDateEdit;
class QLineEdit;
class QPlainTextEdit;

namespace qv {

class TfrmHeader : public QDialog {
  Q_OBJECT
 public:
  TfrmHeader(AppContext& ctx, Prompter& prompter, QWidget* parent = nullptr);

  // Opens the dialog on the document's texts (after an open, the file's; otherwise with the
  // stored current texts over them) and shows it until it is cancelled or its texts fit the
  // report. Then they become the document's header, the report's texts and the stored current
  // texts.
  void mmSettHeaderClick();

  // The fields as a header: comment lines separated by CR LF, texts in the code page.
  PrintHeader Texts() const;
  void SetTexts(const PrintHeader& header);
  DateTime Date() const;

  // The stored current or default texts replace the fields they exist for.
  void LoadHeaderTexts();
  void LoadHeaderDefaults();
  // All 25 stored texts of the family written from the fields.
  void SaveHeaderTexts();
  void SaveHeaderDefaults();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* BuildHeaderBox();
  QWidget* BuildInstrumentBox();
  QWidget* BuildDateBox();
  QWidget* BuildProbeBox();
  QWidget* BuildCommentBox();
  QWidget* BuildFooterBox();
  QLineEdit* AddEdit(QWidget* parent, const char* name, int maxLength, const ReportFont& font);
  QLineEdit* AddReadOnly(QWidget* parent, const char* name);

  // Everything the dialog shows that does not come from the stored texts: the instrument's
  // texts and the report's date (today before anything set it).
  void FillFromReport();
  void LoadFamily(HeaderFamily family);
  void SaveFamily(HeaderFamily family);
  QFont FieldFont(const ReportFont& font) const;
  ReportTextWidth WidthFunction() const;
  // A footer that outgrows its share of the page loses its last characters.
  void edtFooterChange();

  AppContext& ctx_;
  Prompter& prompter_;
  std::array<QLineEdit*, PrintHeader::LineCount> lines_{};
  std::array<QLineEdit*, PrintHeader::ProbeCount> probeType_{};
  std::array<QLineEdit*, PrintHeader::ProbeCount> probeSerNo_{};
  QLineEdit* edtType_ = nullptr;
  QLineEdit* edtCode_ = nullptr;
  QLineEdit* edtSerNo_ = nullptr;
  QLineEdit* edtProducer_ = nullptr;
  QDateEdit* dtpDate_ = nullptr;
  QPlainTextEdit* memComments_ = nullptr;
  // Set when OK found a text too long: the next showing keeps what was typed.
  bool headerReopen_ = false;
};

}  // namespace qv
