// Shared main of the Qt-based test suites: an offscreen application whose
// per-user folders (data, configuration, cache) live in a temporary
// directory, so no test touches the real home folder.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>

#include "app/app_services.h"
#include "platform/font_faces.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    for (const char* var : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
        const QString dir = home.path() + QLatin1Char('/') + QLatin1String(var);
        setenv(var, dir.toLocal8Bit().constData(), 1);
    }
    setenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit().constData(), 1);

    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    InitMainCommandRelay();
    return RUN_ALL_TESTS();
}
