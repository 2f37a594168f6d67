#pragma once

#include <functional>

class QMenuBar;
class QMenu;

// The main window's menu bar. Every item carries its command id and hands
// it to onCommand when chosen.
struct MainMenu {
    QMenu* files = nullptr;
    QMenu* recentFiles = nullptr; // rebuilt from the recent-file list
    QMenu* edit = nullptr;
    QMenu* setup = nullptr;
    QMenu* help = nullptr;
};

MainMenu BuildMainMenu(QMenuBar* bar, const std::function<void(int id)>& onCommand);
