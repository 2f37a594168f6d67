#include "app/application.h"

int main(int argc, char** argv)
{
    CQuellonKR9SeriesApp app(argc, argv);
    return app.InitInstance();
}
