#include "app/OpcBrowserApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    COpcBrowserApp app;
    app.m_lpCmdLine = cmdLine ? cmdLine : "";
    app.InitInstance();
    if (app.m_bStartFailed)
        return 1;
    return app.Run();
}
