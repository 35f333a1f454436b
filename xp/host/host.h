// The host's services as module code calls them: one thin adapter per
// service, an ordinary call with the arguments in the host's documented order.
// Where the host reports failure through its status word, the adapter
// returns 0 instead of whatever the service left in its result.
#pragma once

#include "host/hostapi.h"

namespace host {

// Runs a service that reports through a status word; 0 on failure.
template <typename Result, typename Call>
inline Result OrZero(Call call) {
    int status = 1;
    Result result = call(&status);
    return status == 0 ? result : Result(0);
}

// ---- Drawing lists ----
inline HDL DLLoad(const char* path, int flags) {
    return OrZero<HDL>([&](int* s) { return ::DLLoad(path, flags, s); });
}
inline HDL DLCreate(const char* name, int flags) {
    return OrZero<HDL>([&](int* s) { return ::DLCreate(name, flags, s); });
}
inline void DLEmpty(HDL list) { ::DLEmpty(list); }
inline void DLDestroy(HDL list) { ::DLDestroy(list); }
inline int DLSave(HDL list, const char* path) { return ::DLSave(list, path); }
inline HDL DLGetWorkDL() { return ::DLGetWorkDL(); }
inline int DLScan(HDL list, DLScanProc callback, int flags, intptr_t a, intptr_t b) {
    return ::DLScan(list, callback, flags, a, b);
}
inline HostEntity* DLApnd(HDL list, const void* record) {
    return OrZero<HostEntity*>([&](int* s) { return ::DLApnd(list, record, s); });
}
inline void DLMoveB(HostEntity* entity, HostEntity* before) { ::DLMoveB(entity, before); }
inline HostEntity* DLCopy(HDL list, const HostEntity* entity) { return ::DLCopy(list, entity); }
inline void DLDelete(HostEntity* entity) { ::DLDelete(entity); }
inline void DLSelect(HostEntity* entity) { ::DLSelect(entity); }
inline void DLUnSelect(HostEntity* entity) { ::DLUnSelect(entity); }
inline HDL DLGetSubList(HostEntity* entity) {
    return OrZero<HDL>([&](int* s) { return ::DLGetSubList(entity, s); });
}
inline HostEntity* DLMakeSubList(HostEntity* entity) {
    return OrZero<HostEntity*>([&](int* s) { return ::DLMakeSubList(entity, s); });
}
inline void* DLGetIBAdr(HDL list, int block) {
    return OrZero<void*>([&](int* s) { return ::DLGetIBAdr(list, block, s); });
}
inline void GetCStuff(void* record) { ::GetCStuff(record); }

// ---- Entities and extents ----
inline void EDraw1(HostEntity* entity) { ::EDraw1(entity); }
inline void EXCheck(HostEntity* entity) { ::EXCheck(entity); }
inline void LDSymTM(const void* placement) { ::LDSymTM(placement); }
inline void TranP2(float* point) { ::TranP2(point); }
inline void XCheckP2(const float* point) { ::XCheckP2(point); }
inline void BgnPExtents() { ::BgnPExtents(); }
inline void EndPExtents(float* sixFloats) { ::EndPExtents(sixFloats); }
inline int FormSt(const void* formatBlock, int mode) { return ::FormSt(formatBlock, mode); }
inline int ENoSupp() { return ::ENoSupp(); }

// ---- Display device ----
// The host's colour numbers the module draws with: its background colour
// (what a drawing without its own, a picture's surround and a name band
// take) and its text colour.
enum : int { kBackgroundColour = 15, kTextColour = 0 };
inline void DevUseBitmap(HDC memoryDC) { ::DevUseBitmap(memoryDC); }
inline void DevUseOwnerDraw(const DRAWITEMSTRUCT* item) { ::DevUseOwnerDraw(item); }
inline void DevUsePrior() { ::DevUsePrior(); }
inline void DevUseColor(int colour) { ::DevUseColor(colour); }
inline void DevUseBkColor(int colour) { ::DevUseBkColor(colour); }
inline void DevSRect(const RECT* rect) { ::DevSRect(rect); }
inline void DevHRect(const RECT* rect) { ::DevHRect(rect); }
inline void DevSLine(int x0, int y0, int x1, int y1) { ::DevSLine(x0, y0, x1, y1); }
inline void DevVText(const char* text, const RECT* rect) { ::DevVText(text, rect); }
inline HFONT DevFont(HFONT font) { return ::DevFont(font); }
inline void SetODView(float x0, float y0, float x1, float y1, const DRAWITEMSTRUCT* item) {
    ::SetODView(x0, y0, x1, y1, item);
}
inline void SetBMView(float x0, float y0, float x1, float y1, const RECT* target) {
    ::SetBMView(x0, y0, x1, y1, target);
}

// ---- Registration, messages ----
inline int XPRegCmd(XpRecordLayout* record) { return ::XPRegCmd(record); }
inline int XPUnregCmd(XpRecordLayout* record) { return ::XPUnregCmd(record); }
inline int XPMessage(int message, int argument) { return ::XPMessage(message, argument); }
inline void ErrorBox(const char* text) { ::ErrorBox(text); }
inline int QuestBox(const char* text) { return ::QuestBox(text); }
inline void StatusMsg(const char* text) { ::StatusMsg(text); }

// ---- Dialogs ----
inline HDLGDEF DefDlg(const char* templateName, DlgProc init) {
    return OrZero<HDLGDEF>([&](int* s) { return ::DefDlg(templateName, 0, 0, init, 0, 0, s); });
}
inline void RBCTL(HDLGDEF def, int id, int* variable, int value) {
    ::RBCTL(def, id, 0, 0, variable, value, 0);
}
inline void CHKCTL(HDLGDEF def, int id, int* variable, int checkedValue, DlgProc onChange) {
    ::CHKCTL(def, id, 0, 0, variable, checkedValue, onChange);
}
inline void LSTCTL(HDLGDEF def, int id, int* variable, const char* listData,
                   LstNotifyProc onNotify, OwnerDrawProc onDraw) {
    ::LSTCTL(def, id, 0, 0, variable, listData, onNotify, onDraw);
}
inline void CMBCTL(HDLGDEF def, int id, int* variable, const char* strings, DlgProc onChange) {
    ::CMBCTL(def, id, 0, 0, variable, strings, onChange, 0);
}
inline void BTNCTL(HDLGDEF def, int id, DlgProc onClick) { ::BTNCTL(def, id, 0, 0, onClick, 0); }
inline int XPDlog(HDLGDEF def, HINSTANCE instance) { return ::XPDlog(def, instance, 0); }
inline void RelDlg(HDLGDEF def) { ::RelDlg(def); }
inline HWND GetDlgWin() { return ::GetDlgWin(); }
inline int AddLstStr(int id, const char* text) { return ::AddLstStr(id, text); }
inline void ClrLstStr(int id) { ::ClrLstStr(id); }
inline void SetLstDta(int id, int index, intptr_t data) { ::SetLstDta(id, index, data); }
inline intptr_t GetLstDta(int id, int index) { return ::GetLstDta(id, index); }
inline void UpdCtl(int id) { ::UpdCtl(id); }
inline void DsAbCtl(int id) { ::DsAbCtl(id); }
inline void ForceHelp(int topic) { ::ForceHelp(topic); }

// ---- Settings store ----
inline int RMGetValue(const StoreRequest* request) {
    return OrZero<int>([&](int* s) { return ::RMGetValue(request, s); });
}
inline int RMSetValue(const StoreRequest* request) {
    return OrZero<int>([&](int* s) { return ::RMSetValue(request, s); });
}

// ---- Commands and macros ----
inline int ReqData(const ReqDataRecord* request) { return ::ReqData(request); }
inline int CmdEnd() { return ::CmdEnd(); }
inline int SetVar(const char* name, const char* text) { return ::SetVar(name, text); }
inline int ExecScriptCopy(const char* line) { return ::ExecScriptCopy(line); }
inline void AbortAllScripts() { ::AbortAllScripts(); }
// The drawing-changed flag as it was; *flagAddress receives its address.
inline int MarkChanged(int** flagAddress) {
    int previous = 0;
    *flagAddress = ::MarkChanged(&previous);
    return previous;
}

// ---- Resources and files ----
inline const char* RscAdr(int number) { return ::RscAdr(number); }
inline int GetOpenPath(const char* title, PathRequest* request) {
    return OrZero<int>([&](int* s) { return ::GetOpenPath(title, request, s); });
}
inline int FullFileName(const char* path, char* buffer) {
    return OrZero<int>([&](int* s) { return ::FullFileName(path, buffer, s); });
}

}  // namespace host
