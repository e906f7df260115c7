// The help of every shipped language: each language of the product file has a page of its own,
// and that page names every command of the main window's menus and of the table's pop-up menu
// by the caption the menus show in that language.
#include "GuiTestSupport.h"
#include "app/LanguageChoice.h"
#include "app/MainForm.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QStringDecoder>
#include <QTextDocumentFragment>

#include <set>
#include <vector>

namespace qv {
namespace {

struct Caption {
  QString text;       // as the help quotes it: no accelerator mark, no trailing "..."
  QChar accelerator;  // the letter after '&', lower case; null when there is none
};

Caption Quoted(const QString& menuText) {
  Caption c;
  for (qsizetype i = 0; i < menuText.size(); ++i) {
    if (menuText[i] != QLatin1Char('&')) {
      c.text += menuText[i];
    } else if (i + 1 < menuText.size() && menuText[i + 1] == QLatin1Char('&')) {
      c.text += QLatin1Char('&');  // "&&" is a plain ampersand
      ++i;
    } else if (i + 1 < menuText.size() && c.accelerator.isNull()) {
      c.accelerator = menuText[i + 1].toLower();
    }
  }
  if (c.text.endsWith(QStringLiteral("..."))) c.text.chop(3);
  c.text = c.text.trimmed();
  return c;
}

struct MenuCaptions {
  QString name;  // object name, for messages
  Caption title;
  std::vector<Caption> entries;
};

// The menus of the menu bar in order, then the table's pop-up menu (without a title).
std::vector<MenuCaptions> MenusOf(const TfrmMainForm& form) {
  std::vector<MenuCaptions> menus;
  auto add = [&menus](const QMenu* menu, Caption title) {
    MenuCaptions m{menu->objectName(), std::move(title), {}};
    for (const QAction* a : menu->actions()) {
      if (!a->isSeparator()) m.entries.push_back(Quoted(a->text()));
    }
    menus.push_back(std::move(m));
  };
  for (const QAction* a : form.menuBar()->actions()) {
    if (a->menu() != nullptr) add(a->menu(), Quoted(a->text()));
  }
  add(form.PopupMenu(), Caption{});
  return menus;
}

// The plain text of the page from the heading with `id` up to the heading with `endId` (the
// page's end when empty), as the help window shows it, with all white space single blanks.
QString SectionText(const QString& html, const QString& id, const QString& endId) {
  const QString start = QStringLiteral("<h2 id=\"%1\"").arg(id);
  const qsizetype from = html.indexOf(start);
  if (from < 0) return {};
  const qsizetype to =
      endId.isEmpty() ? html.size() : html.indexOf(QStringLiteral("<h2 id=\"%1\"").arg(endId));
  if (to < from) return {};
  const QString text = QTextDocumentFragment::fromHtml(html.mid(from, to - from)).toPlainText();
  return text.simplified().replace(QChar(0x00A0), QLatin1Char(' '));
}

TEST(HelpPages, EveryLanguageHasItsOwnPageNamingEveryMenuCommandAsItsMenusShowIt) {
  auto shipped = test::DataFolder::Shipped(true);
  const std::string folder = shipped->Path();
  const IniFile product = IniFile::Load(folder + "/" + kProductIniName);
  std::vector<std::string> sections = product.SectionNames();
  ASSERT_GE(sections.size(), 8u) << "the product section and seven languages";
  sections.erase(sections.begin());  // the product, not a language

  std::set<std::string> pages;
  for (const std::string& section : sections) {
    SCOPED_TRACE(section);
    const std::string helpFile = product.ReadString(section, "helpfile", "");
    ASSERT_FALSE(helpFile.empty());
    const std::string page = ResolveFileName(folder, helpFile);
    EXPECT_TRUE(pages.insert(page).second) << page << " is another language's page";
    QFile file(QString::fromStdString(JoinPath(folder, page)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page << " does not exist";
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString html = utf8.decode(bytes);
    ASSERT_FALSE(utf8.hasError()) << page << " is not UTF-8";
    EXPECT_TRUE(bytes.contains("<meta charset=\"utf-8\">")) << page;
    const QString menusSection =
        SectionText(html, QStringLiteral("menus"), QStringLiteral("index"));
    const QString indexSection = SectionText(html, QStringLiteral("index"), QString());
    ASSERT_FALSE(menusSection.isEmpty()) << page << " has no section of every menu command";
    ASSERT_FALSE(indexSection.isEmpty()) << page << " has no index";

    // The main window as it starts in this language: its menus show the captions.
    const std::string settings = test::FreshSettingsName();
    SettingsStore(settings).WriteText("Language", section);
    AppContext ctx(folder, settings);
    test::ScriptedPrompter prompter;
    TfrmMainForm form(ctx, prompter);
    ASSERT_TRUE(form.CreateDialogs());
    ASSERT_EQ(ctx.Language.LanguageName, section);
    ASSERT_EQ(ctx.Language.HelpFilePath, JoinPath(folder, page)) << "Help opens this page";

    const std::vector<MenuCaptions> menus = MenusOf(form);
    ASSERT_EQ(menus.size(), 9u) << "eight menus and the pop-up";
    std::set<QChar> titleKeys;
    for (const MenuCaptions& menu : menus) {
      SCOPED_TRACE(menu.name.toStdString());
      if (!menu.title.text.isEmpty()) {
        EXPECT_TRUE(menusSection.contains(menu.title.text)) << menu.title.text.toStdString();
        if (!menu.title.accelerator.isNull()) {
          EXPECT_TRUE(titleKeys.insert(menu.title.accelerator).second)
              << "menu bar accelerator '" << QString(menu.title.accelerator).toStdString()
              << "' twice";
        }
      }
      ASSERT_FALSE(menu.entries.empty());
      std::set<QChar> keys;
      for (const Caption& entry : menu.entries) {
        const std::string caption = entry.text.toStdString();
        EXPECT_FALSE(entry.text.isEmpty());
        EXPECT_TRUE(menusSection.contains(entry.text)) << "\"" << caption << "\" not in the menus";
        EXPECT_TRUE(indexSection.contains(entry.text)) << "\"" << caption << "\" not in the index";
        // The File menu is worked from the keyboard as a whole: every entry has its letter.
        if (menu.name == QLatin1String("mmFile")) {
          EXPECT_FALSE(entry.accelerator.isNull()) << "\"" << caption << "\" has no accelerator";
        }
        if (!entry.accelerator.isNull()) {
          EXPECT_TRUE(keys.insert(entry.accelerator).second)
              << "accelerator '" << QString(entry.accelerator).toStdString() << "' of \"" << caption
              << "\" used twice in the menu";
        }
      }
    }
  }
}

}  // namespace
}  // namespace qv
