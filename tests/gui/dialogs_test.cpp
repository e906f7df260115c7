// The settings dialogs driven as a person does: language, port, units, memory choice, and
// the transfer dialog's Cancel.
#include "ShellFixture.h"
#include "app/AboutBox.h"
#include "app/IniFile.h"
#include "app/LanguageChoice.h"
#include "app/LanguageDialog.h"
#include "app/LimitsDialog.h"
#include "archive/ArchiveWindow.h"
#include "comfort/ComfortCalculator.h"
#include "comfort/ComfortDialog.h"
#include "common/ToolkitTexts.h"
#include "download/BlockGrid.h"
#include "download/DLSelectDialog.h"
#include "download/DownLoadListDialog.h"
#include "download/GuiDownload.h"
#include "graph/ShowGraphDialog.h"
#include "link/Link.h"
#include "link/PortDialog.h"
#include "link/TransferDialog.h"
#include "print/HeaderDialog.h"
#include "store/SignalCatalog.h"
#include "view/InfoDialog.h"
#include "view/InstrumentSettingsDialog.h"
#include "view/UnitsDialog.h"

#include <QButtonGroup>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>

namespace qv {
namespace {

using test::DataFolder;
using test::OnNextModal;

void Click(QDialog* d, const char* button) {
  QPushButton* b = d->findChild<QPushButton*>(button);
  ASSERT_NE(b, nullptr) << button;
  b->click();
}

QStringList RadioTexts(QWidget* group) {
  QStringList texts;
  for (QRadioButton* r : group->findChildren<QRadioButton*>())
    texts << r->text();
  return texts;
}

class Dialogs : public test::ShellTest {
 protected:
  // Three installed languages; "LangIndex" and "Language" as a first start leaves them.
  void StartWithThreeLanguages() {
    auto data = DataFolder::Shipped();
    data->Write("Quorvantel_Main.ini",
                "[General]\r\nProduct=Quorvantel\r\n"
                "[ENGLISH]\r\nfile=English.ini\r\ndispname=English\r\n"
                "[DEUTSCH]\r\nfile=English.ini\r\ndispname=Deutsch\r\n"
                "[ESPANOL]\r\nfile=English.ini\r\ndispname=Espa\xf1ol\r\n");
    data->Write("DEUTSCH.ini", test::ShippedEnglish());
    data->Write("ESPANOL.ini", test::ShippedEnglish());
    data->Write("ENGLISH.ini", test::ShippedEnglish());
    Start(std::move(data));
    ASSERT_TRUE(started_);
  }
  int32_t StoredInt(const char* name) const {
    int32_t v = -99;
    ctx_->Settings.ReadInt(name, v);
    return v;
  }
  Bytes StoredText(const char* name) const {
    Bytes v = "(absent)";
    ctx_->Settings.ReadText(name, v);
    return v;
  }
};

TEST_F(Dialogs, LanguageDialogListsThreeLanguagesInItsSizes) {
  StartWithThreeLanguages();
  TfrmLanguage* d = form_->Forms().Language;
  EXPECT_EQ(d->Group()->height(), 120);
  EXPECT_EQ(d->height(), 230);
  EXPECT_EQ(RadioTexts(d->Group()),
            QStringList({"English", "Deutsch", QString::fromUtf8("Español")}));
  EXPECT_EQ(d->SelectedIndex(), 0);  // the first start stored LangIndex 0
  EXPECT_EQ(StoredText("Language"), "ENGLISH");
}

TEST_F(Dialogs, LanguageChoiceStoresTheSectionNameOnOkOnlyWhenChanged) {
  StartWithThreeLanguages();
  TfrmLanguage* d = form_->Forms().Language;

  OnNextModal([](QDialog* dlg) { Click(dlg, "btnOK"); });  // the same language
  form_->mmConfigLanguageClick();
  EXPECT_TRUE(prompter_.shown.empty());
  EXPECT_EQ(StoredInt("LangIndex"), 0);

  OnNextModal([d](QDialog* dlg) {
    d->SelectIndex(1);
    Click(dlg, "btnCancel");
  });
  form_->mmConfigLanguageClick();
  EXPECT_EQ(StoredInt("LangIndex"), 0);
  EXPECT_EQ(d->SelectedIndex(), 0);  // put back to the stored choice

  OnNextModal([d](QDialog* dlg) {
    d->Group()->findChildren<QRadioButton*>()[2]->click();
    Click(dlg, "btnOK");
  });
  form_->mmConfigLanguageClick();
  EXPECT_EQ(StoredInt("LangIndex"), 2);
  // The section, not the displayed "Español", which the next start could not find.
  EXPECT_EQ(StoredText("Language"), "ESPANOL");
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgChangeLanguage_70")});
  EXPECT_EQ(ctx_->Language.LanguageName, "ENGLISH");  // this run keeps its language
}

TEST_F(Dialogs, AShippedLanguageChosenByItsOwnNameIsUsedFromTheNextStart) {
  const std::string settings = test::FreshSettingsName();
  auto shipped = test::DataFolder::Shipped(true);
  const std::string folder = shipped->Path();
  Start(std::move(shipped), settings);
  ASSERT_TRUE(started_);
  TfrmLanguage* d = form_->Forms().Language;
  OnNextModal([d](QDialog* dlg) {
    for (QRadioButton* b : d->Group()->findChildren<QRadioButton*>()) {
      if (b->text() == QString::fromUtf8("Slovenščina")) b->click();
    }
    Click(dlg, "btnOK");
  });
  form_->mmConfigLanguageClick();
  EXPECT_EQ(StoredText("Language"), "SLOVENIAN");
  EXPECT_EQ(form_->Menu("mmFile")->title(), ctx_->Tr("mmFile_15")) << "this run keeps English";

  // The next start: the same folder and settings.
  form_.reset();
  ctx_ = std::make_unique<AppContext>(folder, settings);
  form_ = std::make_unique<TfrmMainForm>(*ctx_, prompter_);
  ASSERT_TRUE(form_->CreateDialogs());
  EXPECT_EQ(ctx_->Language.LanguageName, "SLOVENIAN");
  EXPECT_EQ(ctx_->Codec.CodePage(), "windows-1250");
  EXPECT_EQ(form_->findChild<QToolButton*>("sbExit")->text(), QString::fromUtf8("Izhod"));
  EXPECT_EQ(ctx_->Tr("rgLangEn_15"), QString::fromUtf8("Angleščina"));
}

TEST_F(Dialogs, LanguageSectionMissingFromTheProductFileKeepsTheDesignEntry) {
  auto data = DataFolder::Shipped();
  data->Write("Quorvantel_Main.ini", "[General]\r\n[FRANCAIS]\r\nfile=English.ini\r\n");
  Start(std::move(data));
  ASSERT_TRUE(started_);
  EXPECT_EQ(prompter_.Texts(), QStringList{ctx_->Tr("msgLangError_30")});
  TfrmLanguage* d = form_->Forms().Language;
  EXPECT_EQ(RadioTexts(d->Group()), QStringList{ctx_->Tr("rgLangEn_15")});
  EXPECT_EQ(d->Group()->height(), 100);
  EXPECT_EQ(d->SelectedIndex(), 0);
}

TEST_F(Dialogs, PortDialogStoresOnOkOnlyAndKeepsTheBaudRateFixed) {
  Start();
  TfrmCOM_Port* d = form_->Forms().Port;
  d->SetPortDetector([] {
    PortInfo p;
    p.Name = "ttyUSB0";
    p.SystemLocation = "/dev/ttyUSB0";
    p.Description = "USB serial";
    return std::vector<PortInfo>{p};
  });
  EXPECT_FALSE(d->findChild<QGroupBox*>("rgBaudRate")->isEnabled());

  OnNextModal([](QDialog* dlg) {
    dlg->findChild<QLineEdit*>("edtDevice")->setText("/dev/pts/7");
    Click(dlg, "btnCancel");
  });
  form_->mmConfigPortClick();
  EXPECT_EQ(StoredText("PortDevice"), "(absent)");
  EXPECT_EQ(StoredInt("COMPort"), -99);

  OnNextModal([](QDialog* dlg) {
    // The next opening shows the stored choice again, not the cancelled one.
    EXPECT_NE(dlg->findChild<QLineEdit*>("edtDevice")->text(), "/dev/pts/7");
    auto* list = dlg->findChild<QListWidget*>("lstPorts");
    EXPECT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().contains("USB serial"));
    list->setCurrentRow(0);
    Click(dlg, "btnOK");
  });
  form_->mmConfigPortClick();
  EXPECT_EQ(StoredText("PortDevice"), "/dev/ttyUSB0");
  EXPECT_EQ(StoredInt("BaudRate"), 5);  // 38400, shown but not changeable

  ctx_->Settings.WriteInt("BaudRate", 7);  // beyond the list: the last rate
  OnNextModal([](QDialog* dlg) {
    dlg->findChild<QLineEdit*>("edtDevice")->setText("/dev/pts/7");
    Click(dlg, "btnOK");
  });
  form_->mmConfigPortClick();
  EXPECT_EQ(StoredText("PortDevice"), "/dev/pts/7");
  EXPECT_EQ(ctx_->Port.BaudRateValue(), 57600);
}

TEST_F(Dialogs, UnitsDialogStoresOnOkAndCancelKeepsTheUnitSystem) {
  Start();
  TfrmUnits* d = form_->Forms().Units;
  EXPECT_EQ(d->size(), QSize(TfrmUnits::kClientWidth, TfrmUnits::kClientHeight));
  EXPECT_EQ(RadioTexts(d), QStringList({"SI", "US"}));

  OnNextModal([](QDialog* dlg) {
    dlg->findChildren<QRadioButton*>()[1]->click();
    Click(dlg, "btnCancel");
  });
  form_->ppUnitsClick();
  EXPECT_EQ(ctx_->Choices.UnitSel, 0);
  EXPECT_EQ(StoredInt("UnitSel"), -99);

  OnNextModal([](QDialog* dlg) {
    EXPECT_TRUE(dlg->findChildren<QRadioButton*>()[0]->isChecked());  // opens on the stored SI
    dlg->findChildren<QRadioButton*>()[1]->click();
    Click(dlg, "btnOK");
  });
  form_->ppUnitsClick();
  EXPECT_EQ(ctx_->Choices.UnitSel, 1);
  EXPECT_EQ(ctx_->DisplayUnits(), "US");
  EXPECT_EQ(StoredInt("UnitSel"), 1);
}

TEST_F(Dialogs, StoredUnitChoiceIsTheDisplayUnitSystemFromTheStart) {
  const std::string name = test::FreshSettingsName();
  SettingsStore(name).WriteInt("UnitSel", 1);
  Start(nullptr, name);
  EXPECT_EQ(ctx_->DisplayUnits(), "US");
  EXPECT_EQ(form_->Forms().Units->ControlPosition(), 1);
}

TEST_F(Dialogs, MemoryChoiceOffersTwoChoicesAndStoresWhateverTheButton) {
  Start();
  ctx_->Settings.WriteInt("DLSelect", 2);  // beyond the two choices
  TfrmDLSelect* d = form_->Forms().DLSelect;
  EXPECT_EQ(d->findChildren<QRadioButton*>().size(), 2);

  int shownPosition = -2;
  OnNextModal([&shownPosition, d](QDialog* dlg) {
    shownPosition = d->ControlPosition();
    dlg->findChildren<QRadioButton*>()[0]->click();
    Click(dlg, "btnCancel");
  });
  EXPECT_EQ(d->Choose(), -1);
  EXPECT_EQ(shownPosition, 1);          // the logging memory, the last choice
  EXPECT_EQ(StoredInt("DLSelect"), 0);  // stored although cancelled

  OnNextModal([](QDialog* dlg) {
    dlg->findChildren<QRadioButton*>()[1]->click();
    Click(dlg, "btnDownLoad");
  });
  EXPECT_EQ(d->Choose(), 1);
  EXPECT_EQ(StoredInt("DLSelect"), 1);
}

// How each dialog opens: at a size nobody can change, with neither a minimise nor a maximise
// button, and the keyboard on what it asks for. The language, port and units dialogs open
// on OK, as the stored choice they show is usually kept.
TEST_F(Dialogs, EveryDialogOpensFixedWithoutMinMaxButtonsAndFocusOnItsChoice) {
  StartWithThreeLanguages();
  const qv::Dialogs& f = form_->Forms();
  auto child = [](QWidget* d, const char* name) { return d->findChild<QWidget*>(name); };
  const struct {
    QDialog* dialog;
    QWidget* focus;  // null: a progress window, which offers no choice
    bool closeBox;
  } cases[] = {
      {f.About, child(f.About, "btnOK"), true},
      {f.Language, child(f.Language, "btnOK"), true},
      {f.DLSelect, f.DLSelect->findChildren<QRadioButton*>()[0], true},
      {f.DownLoadList, f.DownLoadList->findChild<BlockGrid*>(), true},
      {f.Port, child(f.Port, "btnOK"), true},
      {f.Transfering, nullptr, false},
      {f.Units, child(f.Units, "btnOK"), true},
  };
  for (const auto& c : cases) {
    QDialog* d = c.dialog;
    const QString name = d->objectName();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d)) << name.toStdString();
    EXPECT_EQ(d->minimumSize(), d->maximumSize()) << name.toStdString();
    EXPECT_EQ(d->size(), d->minimumSize()) << name.toStdString();
    const Qt::WindowFlags flags = d->windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
        << name.toStdString();
    EXPECT_EQ(bool(flags & Qt::WindowCloseButtonHint), c.closeBox) << name.toStdString();
    // The widget that has the keyboard whenever the dialog is the active window.
    if (c.focus) {
      EXPECT_EQ(d->focusWidget(), c.focus) << name.toStdString();
    }
    d->hide();
  }
  // The others too; and every dialog opens again where the person last put it.
  std::vector<QDialog*> all = {f.ShowGraph, f.Info, f.InstrumentSettings, f.Header,
                               form_->ExportDialog()};
  for (const auto& c : cases)
    all.push_back(c.dialog);
  int shift = 0;
  for (QDialog* d : all) {
    const std::string name = d->objectName().toStdString();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d)) << name;
    EXPECT_EQ(d->minimumSize(), d->maximumSize()) << name;
    EXPECT_FALSE(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
        << name;
    const QPoint place(40 + shift, 30 + shift);
    shift += 7;
    d->move(place);
    d->hide();
    d->show();
    EXPECT_EQ(d->pos(), place) << name;
    d->hide();
  }
}

// The toolkit's own buttons and dialogs speak the chosen language where the toolkit has it.
TEST_F(Dialogs, ToolkitTextsFollowTheLanguage) {
  const auto yes = [] {
    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"),
                    QMessageBox::Yes | QMessageBox::No);
    return box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&'));
  };
  ASSERT_TRUE(InstallToolkitTranslation("de")) << "qt6-translations-l10n is needed";
  EXPECT_EQ(yes(), QStringLiteral("Ja"));
  ASSERT_TRUE(InstallToolkitTranslation("cs"));
  EXPECT_EQ(yes(), QStringLiteral("Ano"));
  // The toolkit has no Slovenian: its texts stay English rather than the last language's.
  EXPECT_FALSE(InstallToolkitTranslation("sl"));
  EXPECT_EQ(yes(), QStringLiteral("Yes"));
  EXPECT_TRUE(InstallToolkitTranslation(""));
  EXPECT_EQ(yes(), QStringLiteral("Yes"));
}

TEST_F(Dialogs, TransferDialogIsAToolWindowWithoutCloseBoxAndCancelStopsTheLink) {
  Start();
  TfrmTransfering* d = form_->Forms().Transfering;
  // Above the main window as its tool window, but never above a message box.
  EXPECT_EQ(d->windowType(), Qt::Tool);
  EXPECT_EQ(d->parentWidget(), form_.get());
  EXPECT_FALSE(d->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(d->isModal());
  EXPECT_FALSE(d->windowFlags() & Qt::WindowCloseButtonHint);
  auto* gauge = d->findChild<QProgressBar*>("Gauge");
  EXPECT_EQ(gauge->minimum(), 0);
  EXPECT_EQ(gauge->maximum(), 100);

  bool cancelled = false;
  d->SetCancelHandler([&cancelled] { cancelled = true; });
  d->show();
  d->close();  // no way to close it but Cancel
  EXPECT_TRUE(d->isVisible());
  d->findChild<QPushButton*>("btnCancel")->click();
  EXPECT_TRUE(cancelled);
  EXPECT_FALSE(d->isVisible());

  // Wired to the link by a download: Cancel sets the flag its waiting loops read.
  form_->Download().Engine();  // the engine and its link exist from the start
  d->SetCancelHandler([this] { form_->LinkObject().Cancel(); });
  d->show();
  d->findChild<QPushButton*>("btnCancel")->click();
  EXPECT_TRUE(form_->LinkObject().Cancelled());
  form_->LinkObject().CloseLink();
  EXPECT_FALSE(form_->LinkObject().Cancelled());
}

}  // namespace
}  // namespace qv

namespace qv {
namespace {

// Every caption of every dialog has the room its text needs, in every shipped language.
TEST(DialogTexts, NoCaptionIsCutInAnyLanguageAndEveryDialogFitsASmallScreen) {
  auto shipped = test::DataFolder::Shipped(true);
  const IniFile product = IniFile::Load(shipped->Path() + "/Quorvantel_Main.ini");
  const std::vector<LanguageEntry> languages = ListLanguages(product, shipped->Path());
  ASSERT_GE(languages.size(), 7u);
  for (const LanguageEntry& language : languages) {
    SCOPED_TRACE(language.Section);
    const std::string settings = test::FreshSettingsName();
    SettingsStore(settings).WriteText("Language", language.Section);
    AppContext ctx(shipped->Path(), settings);
    test::ScriptedPrompter prompter;
    TfrmMainForm form(ctx, prompter);
    ASSERT_TRUE(form.CreateDialogs());
    ASSERT_EQ(ctx.Language.LanguageName, language.Section);
    const qv::Dialogs& f = form.Forms();
    // The comfort dialog with its longest texts: a block logging every quantity it reads and
    // WBGT, with the metabolic rate and the clothing to be given.
    TLoggerRecord block;
    block.UnitSystem = "SI";
    block.IntervalSec = 60;
    block.BeginTime = 45000.25;
    block.SampleCount = 40;
    block.Params.MetabolicRate = -1;
    block.Params.Clothing = 0;
    for (const int code : {1, 5, 13, 41, 53}) {
      block.SignalCodes[static_cast<size_t>(block.SignalCount++)] = code;
      block.SignalPresent[static_cast<size_t>(code)] = 1;
      for (int k = 0; k < block.SampleCount; ++k)
        block.Samples[static_cast<size_t>(StoragePos(code))].push_back(code == 5 ? 50
                                                                                 : 0.2 + k / 2.0);
    }
    ASSERT_TRUE(f.Comfort->Load(block, 1));
    f.Comfort->SettleBox()->setValue(20);
    for (QDialog* dialog : std::initializer_list<QDialog*>{
             f.Language, f.Port, f.DLSelect, f.DownLoadList, f.Transfering, f.Units, f.About,
             f.Header, f.Comfort, f.ComfortCalculator, f.Limits, f.Archive}) {
      dialog->show();
      QApplication::processEvents();
      // Every dialog fits a 1024 x 768 screen with room for its frame and a panel.
      EXPECT_LE(dialog->frameGeometry().width(), 1024) << dialog->objectName().toStdString();
      EXPECT_LE(dialog->frameGeometry().height(), 768 - 40) << dialog->objectName().toStdString();
      for (QWidget* w : dialog->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        const QString name = dialog->objectName() + "/" + w->objectName();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
          EXPECT_GE(b->width(), b->sizeHint().width())
              << name.toStdString() << " \"" << b->text().toStdString() << "\"";
        } else if (auto* l = qobject_cast<QLabel*>(w);
                   l && !l->wordWrap() && l->pixmap().isNull()) {
          EXPECT_GE(l->width(), l->sizeHint().width())
              << name.toStdString() << " \"" << l->text().toStdString() << "\"";
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
          EXPECT_GE(g->width(), g->fontMetrics().horizontalAdvance(g->title()) + 8)
              << name.toStdString() << " \"" << g->title().toStdString() << "\"";
        } else if (auto* t = qobject_cast<QTableWidget*>(w)) {
          // Every cell and caption whole, no scrolling.
          for (int c = 0; c < t->columnCount(); ++c) {
            const QString caption = t->horizontalHeaderItem(c)->text();
            EXPECT_GE(t->columnWidth(c),
                      t->horizontalHeader()->fontMetrics().horizontalAdvance(caption) + 8)
                << name.toStdString() << " \"" << caption.toStdString() << "\"";
            for (int r = 0; r < t->rowCount(); ++r) {
              const QString text = t->item(r, c) ? t->item(r, c)->text() : QString();
              EXPECT_GE(t->columnWidth(c), t->fontMetrics().horizontalAdvance(text) + 8)
                  << name.toStdString() << " \"" << text.toStdString() << "\"";
            }
          }
          EXPECT_GE(t->viewport()->height(),
                    t->rowViewportPosition(t->rowCount() - 1) + t->rowHeight(t->rowCount() - 1))
              << name.toStdString();
        }
      }
      dialog->hide();
    }
    form.show();
    QApplication::processEvents();
    for (QToolButton* b : form.findChildren<QToolButton*>()) {
      if (b->isVisible()) {
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
      }
    }
  }
}

}  // namespace
}  // namespace qv
