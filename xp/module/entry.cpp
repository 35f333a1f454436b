// The library entry: store the instance and register, nothing else. Settings
// and files are touched only by commands, never at load or unload.
#include "module/xprecord.h"
#include "host/host.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        XpRecord.instance = instance;
        host::XPRegCmd(&XpRecord);
    } else if (reason == DLL_PROCESS_DETACH) {
        host::XPUnregCmd(&XpRecord);
    }
    return TRUE;
}
