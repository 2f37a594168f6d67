#include "platform/process_starter.h"

#include <QProcess>

namespace {
ProcessStarter* g_replacementStarter = nullptr;
}

ProcessStarter& ProcessStarter::instance()
{
    static DetachedProcessStarter realStarter;
    return g_replacementStarter ? *g_replacementStarter : realStarter;
}

void ProcessStarter::setInstance(ProcessStarter* starter)
{
    g_replacementStarter = starter;
}

bool DetachedProcessStarter::startDetached(const QString& program, const QStringList& arguments)
{
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments);
}
