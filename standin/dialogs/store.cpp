// The settings store: binary values in the real registry.
#include "standin/standin.h"

#include <stdio.h>

// Only a binary value of exactly the requested size is read: anything else
// is treated as missing, so the caller's buffer is never half-written.
extern "C" int RMGetValue(const StoreRequest* request, int* status) {
    *status = 1;
    HKEY key;
    HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(request->rootKey));
    if (RegOpenKeyExA(root, request->keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD type = 0, size = 0;
    LONG found = RegQueryValueExA(key, request->valueName, nullptr, &type, nullptr, &size);
    if (found == ERROR_SUCCESS && type == request->valueType && size == request->dataSize) {
        found = RegQueryValueExA(key, request->valueName, nullptr, &type,
                                 static_cast<BYTE*>(request->data), &size);
        if (found == ERROR_SUCCESS) *status = 0;
    }
    RegCloseKey(key);
    return *status == 0;
}

static void RecordWrite(const StoreRequest* request) {
    char hex[3 * 32 + 16] = "";
    const BYTE* data = static_cast<const BYTE*>(request->data);
    DWORD shown = request->valueSize < 32 ? request->valueSize : 32;
    for (DWORD i = 0; i < shown; ++i) sprintf(hex + 3 * i, "%02X ", data[i]);
    RecordF("registry-write", "%s%s %lu bytes: %s%s", request->keyPath, request->valueName,
            static_cast<unsigned long>(request->valueSize), hex,
            shown < request->valueSize ? "..." : "");
}

extern "C" int RMSetValue(const StoreRequest* request, int* status) {
    *status = 1;
    HKEY key;
    HKEY root = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(request->rootKey));
    if (RegCreateKeyExA(root, request->keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return 0;
    }
    if (RegSetValueExA(key, request->valueName, 0, request->valueType,
                       static_cast<const BYTE*>(request->data), request->valueSize) == ERROR_SUCCESS) {
        *status = 0;
        RecordWrite(request);
    }
    RegCloseKey(key);
    return *status == 0;
}
