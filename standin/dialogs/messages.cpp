// Message boxes, the status line and the module's host notifications.
#include "standin/standin.h"

enum { kMaxQueued = 32 };
static int g_answers[kMaxQueued];   // queued by unit tests, taken by the boxes
static int g_answerCount;

void QueueBoxAnswer(int answer) {
    if (g_answerCount < kMaxQueued) g_answers[g_answerCount++] = answer;
}

static bool TakeQueuedAnswer(int* answer) {
    if (g_answerCount == 0) return false;
    *answer = g_answers[0];
    for (int i = 1; i < g_answerCount; ++i) g_answers[i - 1] = g_answers[i];
    --g_answerCount;
    return true;
}

HWND DialogOwner() {
    HWND dialog = ActiveHostDialog();
    return dialog ? dialog : MainWindow();
}

extern "C" void ErrorBox(const char* text) {
    Record("error-box", text);
    int ignored;
    if (TakeQueuedAnswer(&ignored)) return;
    MessageBoxA(DialogOwner(), text, "Korvind", MB_OK | MB_ICONEXCLAMATION);
}

extern "C" int QuestBox(const char* text) {
    Record("quest-box", text);
    int answer;
    if (!TakeQueuedAnswer(&answer)) {
        // No is the default: Enter must not confirm what cannot be undone.
        answer = MessageBoxA(DialogOwner(), text, "Korvind", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    }
    RecordF("quest-answer", "%d", answer);
    return answer;
}

extern "C" void StatusMsg(const char* text) {
    Record("status", text ? text : "(cleared)");
    SetStatusLine(text ? text : "");
}

extern "C" int XPMessage(int message, int argument) {
    RecordF("xpmessage", "%d %d", message, argument);
    return 0;
}
