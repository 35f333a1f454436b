// The services that the host kv32.exe exports to its modules, as the host
// declares them: the raw calling form, shared by the host (which defines them)
// and by the module's adapters in host/host.h (which call them).
//
// Host convention: every service is a plain C function with cdecl linkage.
// A service that can fail takes a trailing `int* status`; the host writes 0 on
// success and a non-zero code on failure. Module code never calls these
// directly: it goes through the adapters, which turn a failure into 0.
#pragma once

#include <windows.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- Handles and records ---------------------------------------------------

// A drawing list: a loaded drawing or the member list of an entity.
typedef struct HostList* HDL;
// An entity is the address of its record bytes inside a list.
typedef unsigned char HostEntity;
// A dialog definition made by DefDlg.
typedef struct HostDialog* HDLGDEF;

// Walk flags of DLScan.
enum {
    kScanAll = 0,
    kScanSubLists = 0x200,       // accepted; members are not visited separately
    kScanDrawing = 0x600,        // accepted; same walk as 0
    kScanSelected = 0x10000,     // visit only selected (marked) entities
};

// Callback of DLScan: (host value, entity, the two values) -> 0 to go on.
typedef int (*DLScanProc)(int hostValue, HostEntity* entity, intptr_t a, intptr_t b);

// Callbacks of the dialog services.
typedef int (*DlgProc)(void);                          // init, button, check box, combo
typedef int (*LstNotifyProc)(int code);                // list notification (19 = click)
typedef int (*OwnerDrawProc)(int action, void* item);  // 1: measure -> height, 0: draw
// Continuation of a ReqData prompt: (status, two further values).
typedef int (*ReqContinuation)(int status, intptr_t a, intptr_t b);

// Command handler and the registration record's entry points.
typedef int (*CmdHandler)(void);
typedef int (*NotifyProc)(int code);
// Entity entry: (message, entity, selector, text out) -> kEntityHandled or
// the value of ENoSupp(). For message 8 with selector 1, *text receives the
// entity type's name.
typedef int (*EntityProc)(int message, HostEntity* entity, int selector, const char** text);
enum { kEntityHandled = 1 };

// The registration record a module hands to XPRegCmd: 21 words. Two of
// them hold kHostOnlyWord, which only the host reads.
enum { kHostOnlyWord = 603 };
#pragma pack(push, 1)
typedef struct XpRecordLayout {
    uint32_t link;                // 0: reserved for the host
    const char* commandNames;     // 4: names, NUL after each, NUL after the last
    const CmdHandler* handlers;   // 8: About entry, then one per name
    uint32_t reserved12;          // 12
    NotifyProc notifyProc;        // 16
    EntityProc entityProc;        // 20
    uint32_t entityType;          // 24: custom entity class served by entityProc
    HINSTANCE instance;           // 28: the module's instance
    uint32_t word8;               // 32: kHostOnlyWord
    uint32_t reserved36;          // 36
    uint32_t reserved40;          // 40
    uint32_t word11;              // 44: kHostOnlyWord
    HWND hostWindow;              // 48: filled in by the host
    uint32_t reserved52;          // 52
    HMODULE hookModule;           // 56: module for the browse dialog's hook
    uint32_t reserved60[6];       // 60..83: words 15 to 20
} XpRecordLayout;
#pragma pack(pop)

// Request record of ReqData: byte-packed, 48 bytes. Its kind, mode and
// style words are always the values below.
enum { kReqDataKind = 49, kReqDataMode = 2, kReqDataStyle = 2 };
#pragma pack(push, 1)
typedef struct ReqDataRecord {
    uint32_t kind;                 // 0: kReqDataKind
    uint32_t mode;                 // 4: kReqDataMode
    uint32_t answerKind;           // 8: kAnswerName or kAnswerPath
    uint8_t style;                 // 12: kReqDataStyle
    char* answer;                  // 13: the answer buffer
    const void* promptList;        // 17: prompt text, then values
    uint32_t valueCount;           // 21: values in the prompt list
    ReqContinuation continuation;  // 25
    uint8_t zero[19];              // 29..47
} ReqDataRecord;
#pragma pack(pop)

// The answer kind says how large the answer buffer is.
enum {
    kAnswerName = 4096,     // a name: 128 bytes
    kAnswerPath = 524288,   // a path: 260 bytes
};
enum { kAnswerNameSize = 128, kAnswerPathSize = 260 };

// Continuation status: an answer, the default taken, cancelled.
enum { kReqAnswered = 0, kReqDefault = 1, kReqCancelled = 2 };

// Format blocks (prompt lists and FormSt): text address, then for each value
// its address and the four bytes 0, 0, 5, 3; a zero word ends the block.
#pragma pack(push, 1)
typedef struct FormatValue {
    const char* text;
    uint8_t tag[4];
} FormatValue;

// The two format blocks the module hands over: a text alone, and a text
// with one value.
typedef struct FormatBlockText {
    const char* text;
    uint32_t end;               // 0
} FormatBlockText;
typedef struct FormatBlockValue {
    const char* text;
    FormatValue value;
    uint32_t end;               // 0
} FormatBlockValue;
#pragma pack(pop)

// Path request record of GetOpenPath: eight 32-bit words, three of them
// always the values below (what they mean is the host's).
enum { kPathRequestWord4 = 2048, kPathRequestWord5 = 2048, kPathRequestWord6 = 1 };
#pragma pack(push, 1)
typedef struct PathRequest {
    char* path;                 // 260 bytes, in and out
    const char* fileName;       // preset name
    const char* pattern;        // file pattern
    const char* filters;        // label, pattern, ..., extra NUL
    uint32_t word4;             // kPathRequestWord4
    uint32_t word5;             // kPathRequestWord5
    uint32_t word6;             // kPathRequestWord6
    const char* action;         // "Load"
} PathRequest;
#pragma pack(pop)

// Store request record of RMGetValue and RMSetValue: eight 32-bit words.
#pragma pack(push, 1)
typedef struct StoreRequest {
    uint32_t rootKey;           // HKEY_CURRENT_USER
    const char* keyPath;
    const char* valueName;
    void* data;
    uint32_t dataSize;
    uint32_t valueType;         // 3: binary
    uint32_t valueSize;
    uint32_t zero;
} StoreRequest;
#pragma pack(pop)

// ---- Drawing lists ---------------------------------------------------------

HDL DLLoad(const char* path, int flags, int* status);
HDL DLCreate(const char* name, int flags, int* status);
void DLEmpty(HDL list);
void DLDestroy(HDL list);
int DLSave(HDL list, const char* path);
HDL DLGetWorkDL(void);
int DLScan(HDL list, DLScanProc callback, int flags, intptr_t a, intptr_t b);
HostEntity* DLApnd(HDL list, const void* record, int* status);
void DLMoveB(HostEntity* entity, HostEntity* before);
HostEntity* DLCopy(HDL list, const HostEntity* entity);
void DLDelete(HostEntity* entity);
void DLSelect(HostEntity* entity);
void DLUnSelect(HostEntity* entity);
HDL DLGetSubList(HostEntity* entity, int* status);
HostEntity* DLMakeSubList(HostEntity* entity, int* status);
void* DLGetIBAdr(HDL list, int block, int* status);
void GetCStuff(void* record);

// ---- Entities and extents --------------------------------------------------

void EDraw1(HostEntity* entity);
void EXCheck(HostEntity* entity);
void LDSymTM(const void* placement);
void TranP2(float* point);
void XCheckP2(const float* point);
void BgnPExtents(void);
void EndPExtents(float* sixFloats);
int FormSt(const void* formatBlock, int mode);
int ENoSupp(void);

// ---- Display device --------------------------------------------------------

void DevUseBitmap(HDC memoryDC);
void DevUseOwnerDraw(const DRAWITEMSTRUCT* item);
void DevUsePrior(void);
void DevUseColor(int colour);
void DevUseBkColor(int colour);
void DevSRect(const RECT* rect);
void DevHRect(const RECT* rect);
void DevSLine(int x0, int y0, int x1, int y1);
void DevVText(const char* text, const RECT* rect);
HFONT DevFont(HFONT font);
void SetODView(float x0, float y0, float x1, float y1, const DRAWITEMSTRUCT* item);
void SetBMView(float x0, float y0, float x1, float y1, const RECT* target);

// ---- Registration, messages ------------------------------------------------

int XPRegCmd(XpRecordLayout* record);
int XPUnregCmd(XpRecordLayout* record);
// The notice a module gives the host before and after each of its dialogs.
enum { kDialogNotice = 204, kDialogNoticeArgument = 34 };
int XPMessage(int message, int argument);
void ErrorBox(const char* text);
int QuestBox(const char* text);
void StatusMsg(const char* text);

// ---- Dialogs ---------------------------------------------------------------

HDLGDEF DefDlg(const char* templateName, int a, int b, DlgProc init, int c, int d, int* status);
void RBCTL(HDLGDEF def, int id, int a, int b, int* variable, int value, int c);
void CHKCTL(HDLGDEF def, int id, int a, int b, int* variable, int checkedValue, DlgProc onChange);
void LSTCTL(HDLGDEF def, int id, int a, int b, int* variable, const char* listData,
            LstNotifyProc onNotify, OwnerDrawProc onDraw);
void CMBCTL(HDLGDEF def, int id, int a, int b, int* variable, const char* strings,
            DlgProc onChange, int c);
void BTNCTL(HDLGDEF def, int id, int a, int b, DlgProc onClick, int c);
int XPDlog(HDLGDEF def, HINSTANCE instance, int a);
void RelDlg(HDLGDEF def);
HWND GetDlgWin(void);
int AddLstStr(int id, const char* text);
void ClrLstStr(int id);
void SetLstDta(int id, int index, intptr_t data);
intptr_t GetLstDta(int id, int index);
void UpdCtl(int id);
void DsAbCtl(int id);
// The help topic of the module's dialogs.
enum { kModuleHelpTopic = 13000 };
void ForceHelp(int topic);

// ---- Settings store --------------------------------------------------------

int RMGetValue(const StoreRequest* request, int* status);
int RMSetValue(const StoreRequest* request, int* status);

// ---- Commands and macros ---------------------------------------------------

int ReqData(const ReqDataRecord* request);
int CmdEnd(void);
int SetVar(const char* name, const char* text);
int ExecScriptCopy(const char* line);
void AbortAllScripts(void);
int* MarkChanged(int* previous);

// ---- Resources and files ---------------------------------------------------

// The host's strings that RscAdr gives.
enum {
    kStringDefaultFileName = 3025,
    kStringRegistryBase = 3053,     // the settings' key starts with it
    kStringDefaultDirectory = 3059, // a directory path ending in a backslash
};
const char* RscAdr(int number);
int GetOpenPath(const char* title, PathRequest* request, int* status);
int FullFileName(const char* path, char* buffer, int* status);

#ifdef __cplusplus
}

#include <stddef.h>
static_assert(sizeof(void*) == 4, "records exchanged with the host are 32-bit");
static_assert(sizeof(XpRecordLayout) == 84, "registration record is 21 words");
static_assert(offsetof(XpRecordLayout, commandNames) == 4, "");
static_assert(offsetof(XpRecordLayout, handlers) == 8, "");
static_assert(offsetof(XpRecordLayout, notifyProc) == 16, "");
static_assert(offsetof(XpRecordLayout, entityProc) == 20, "");
static_assert(offsetof(XpRecordLayout, entityType) == 24, "");
static_assert(offsetof(XpRecordLayout, instance) == 28, "");
static_assert(offsetof(XpRecordLayout, word8) == 32, "");
static_assert(offsetof(XpRecordLayout, word11) == 44, "");
static_assert(offsetof(XpRecordLayout, hostWindow) == 48, "");
static_assert(offsetof(XpRecordLayout, hookModule) == 56, "");
static_assert(sizeof(ReqDataRecord) == 48, "");
static_assert(offsetof(ReqDataRecord, style) == 12, "");
static_assert(offsetof(ReqDataRecord, answer) == 13, "");
static_assert(offsetof(ReqDataRecord, promptList) == 17, "");
static_assert(offsetof(ReqDataRecord, valueCount) == 21, "");
static_assert(offsetof(ReqDataRecord, continuation) == 25, "");
static_assert(sizeof(FormatValue) == 8, "");
static_assert(sizeof(FormatBlockText) == 8, "");
static_assert(sizeof(FormatBlockValue) == 16, "");
static_assert(sizeof(PathRequest) == 32, "");
static_assert(offsetof(PathRequest, action) == 28, "");
static_assert(sizeof(StoreRequest) == 32, "");
static_assert(offsetof(StoreRequest, valueType) == 20, "");
#endif
