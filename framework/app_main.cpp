// Entry point of a framework program: runs the one application object.
#include "win_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CWinApp* app = GetApp();
    if (!app) {
        return 1;
    }
    app->m_hInstance = instance;
    app->InitInstance();
    return app->ExitInstance();
}
