// Owners of the module's handles: device contexts, bitmaps and regions, a
// window's borrowed device context, find handles, change notifications, and
// files and threads.
// Each owner drops its handle when it goes and can be moved but not copied
// (a copy would drop twice). Every make and drop is counted, so tests prove
// with LiveGdiObjects() and LiveFileHandles() that nothing leaks (Wine gives
// no per-process GDI count). The owners are whole in this header: the host
// clears leftover temporaries with them too (module/savetemporaries.h).
#pragma once

#include <windows.h>

// Made minus dropped; written by the owners below, read by tests.
namespace livecount {
inline int gdiObjects;   // device contexts (made or borrowed), bitmaps, regions
inline int fileHandles;  // find handles, change notifications, files, threads
}  // namespace livecount

inline int LiveGdiObjects() { return livecount::gdiObjects; }
inline int LiveFileHandles() { return livecount::fileHandles; }

// How one kind of handle is dropped, and which count it keeps.
struct CountedAsGdi {
    static int& Count() { return livecount::gdiObjects; }
};
struct CountedAsFile {
    static int& Count() { return livecount::fileHandles; }
};
struct DcKind : CountedAsGdi {
    using Handle = HDC;
    static bool Drop(HDC dc) { return DeleteDC(dc) != 0; }
};
template <typename GdiHandle>
struct GdiObjectKind : CountedAsGdi {
    using Handle = GdiHandle;
    static bool Drop(GdiHandle object) { return DeleteObject(object) != 0; }
};
struct FindKind : CountedAsFile {
    using Handle = HANDLE;
    static bool Drop(HANDLE search) { return FindClose(search) != 0; }
};
struct ChangeKind : CountedAsFile {
    using Handle = HANDLE;
    static bool Drop(HANDLE change) { return FindCloseChangeNotification(change) != 0; }
};
struct FileKind : CountedAsFile {
    using Handle = HANDLE;
    static bool Drop(HANDLE file) { return CloseHandle(file) != 0; }
};

// A handle and the duty to drop it. A make that failed (null, or
// INVALID_HANDLE_VALUE for files and searches) owns nothing.
template <typename Kind>
class Owner {
public:
    using Handle = typename Kind::Handle;

    Owner() = default;
    Owner(Owner&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    ~Owner() { Reset(); }

    // Takes over a handle just made.
    static Owner Take(Handle handle) {
        Owner owner;
        if (handle && handle != INVALID_HANDLE_VALUE) {
            owner.handle_ = handle;
            ++Kind::Count();
        }
        return owner;
    }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // Drops the handle now; the owner is empty afterwards.
    void Reset() {
        if (handle_ && Kind::Drop(handle_)) --Kind::Count();
        handle_ = nullptr;
    }

private:
    Handle handle_ = nullptr;
};

using DeviceContext = Owner<DcKind>;
using Bitmap = Owner<GdiObjectKind<HBITMAP>>;
using Region = Owner<GdiObjectKind<HRGN>>;
using FindHandle = Owner<FindKind>;
using ChangeNotification = Owner<ChangeKind>;
// Files and threads: whatever CloseHandle drops.
using FileHandle = Owner<FileKind>;

// A window's device context from GetDC, given back with ReleaseDC to the
// window it came from: the owner keeps that window.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {
        if (dc_) ++livecount::gdiObjects;
    }
    WindowDC(WindowDC&& other) noexcept : window_(other.window_), dc_(other.dc_) { other.dc_ = nullptr; }
    WindowDC& operator=(WindowDC&&) = delete;
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_ && ReleaseDC(window_, dc_)) --livecount::gdiObjects;
    }

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

DeviceContext MakeDisplayInfo();                 // an information context for "DISPLAY"
DeviceContext MakeMemoryDC(HDC compatible);
Bitmap MakeBitmap(HDC compatible, int width, int height);
Region MakeRectRegion(const RECT& rect);
