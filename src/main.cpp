#include "app/application.h"
#include "platform/termination_signals.h"

int main(int argc, char** argv)
{
    InstallTerminationSignalHandlers();
    CQuellonKR9SeriesApp app(argc, argv);
    return app.InitInstance();
}
