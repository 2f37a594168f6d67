#include "app/main_menu.h"

#include "app/command_ids.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

// Captions carry their mnemonic letter underlined with a combining low
// line (U+0332) after the '&'.
QString Caption(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

struct Item {
    const char* caption; // nullptr: a separator
    int id;
};

void AddItems(QMenu* menu, std::initializer_list<Item> items,
              const std::function<void(int)>& onCommand)
{
    for (const Item& item : items) {
        QAction* action = menu->addAction(Caption(item.caption));
        const int id = item.id;
        action->setData(id);
        QObject::connect(action, &QAction::triggered, menu, [onCommand, id] { onCommand(id); });
    }
}

} // namespace

MainMenu BuildMainMenu(QMenuBar* bar, const std::function<void(int id)>& onCommand)
{
    MainMenu m;
    m.files = bar->addMenu(Caption("  &Files    "));
    AddItems(m.files,
             {{"&N\u0332ew Project...\t\tCtrl+N", ID_FILE_NEW_PROJECT},
              {"&O\u0332pen...\t\t\tCtrl+O", ID_FILE_OPEN},
              {"&S\u0332ave...\t\t\tCtrl+S", ID_FILE_SAVE},
              {"Save &A\u0332s...\t\tCtrl+Shift+S", ID_FILE_SAVE_AS},
              {"E&x\u0332it", ID_APP_EXIT}},
             onCommand);
    m.recentFiles = m.files->addMenu(Caption("&R\u0332ecent Files             "));
    m.recentFiles->setEnabled(false);

    m.edit = bar->addMenu(Caption("  &Edit    "));
    AddItems(m.edit,
             {{"&U\u0332ndo\t\tCtrl+Z", ID_EDIT_UNDO},
              {"&L\u0332ink...\t\tCtrl+L", ID_EDIT_LINK},
              {"Unit &N\u0332aming...", ID_UNIT_NAMING},
              {"&C\u0332hannel Naming...", ID_CHANNEL_NAMING},
              {"&P\u0332references...", ID_PREFERENCES}},
             onCommand);

    m.setup = bar->addMenu(Caption("  &Setup  "));
    QMenu* diagnostics = m.setup->addMenu(Caption("&D\u0332iagnostics      "));
    AddItems(diagnostics,
             {{"IP &A\u0332ddress...", ID_IP_ADDRESS},
              {"Unit &I\u0332dentity Check...\t            Ctrl+I", ID_UNIT_IDENTITY_CHECK},
              {"&S\u0332ystem Status...", ID_SYSTEM_STATUS}},
             onCommand);
    AddItems(m.setup,
             {{"&S\u0332oft Reset...", ID_SOFT_RESET},
              {"&R\u0332estart Program...", ID_RESTART_PROGRAM}},
             onCommand);

    m.help = bar->addMenu(Caption("  &Help  "));
    AddItems(m.help,
             {{"&Q\u0332uick Reference...", ID_QUICK_REFERENCE},
              {"User &G\u0332uide\t\tCtrl+H", ID_USER_GUIDE},
              {"&A\u0332bout...", ID_ABOUT}},
             onCommand);
    return m;
}
