// ReqData: a question on the command line whose answer goes to the
// command's continuation.
#include "standin/standin.h"

#include <stdio.h>
#include <string.h>

static ReqDataRecord g_request;   // the pending prompt, copied from the module
static bool g_pending;

bool PromptPending() { return g_pending; }

// Fills the prompt text: "!01".."!09" stand for the values of the list.
static void FormatPrompt(const ReqDataRecord& request, char* out, size_t size) {
    const char* const* list = static_cast<const char* const*>(request.promptList);
    const char* text = list ? list[0] : "";
    const FormatValue* values = reinterpret_cast<const FormatValue*>(list + 1);
    size_t used = 0;
    for (const char* p = text; p && *p && used + 1 < size;) {
        if (p[0] == '!' && p[1] >= '0' && p[1] <= '9' && p[2] >= '1' && p[2] <= '9' && p[1] == '0') {
            unsigned index = p[2] - '1';
            const char* value = index < request.valueCount ? values[index].text : "";
            for (; value && *value && used + 1 < size; ++value) out[used++] = *value;
            p += 3;
        } else {
            out[used++] = *p++;
        }
    }
    out[used] = '\0';
}

static size_t AnswerSize(uint32_t answerKind) {
    if (answerKind == kAnswerName) return kAnswerNameSize;
    if (answerKind == kAnswerPath) return kAnswerPathSize;
    return 0;
}

extern "C" int ReqData(const ReqDataRecord* request) {
    if (!ActiveCommand()) {
        RecordError("ReqData outside a command");
        return 0;
    }
    if (AnswerSize(request->answerKind) == 0 || !request->answer || !request->continuation) {
        RecordError("ReqData: malformed request record");
        return 0;
    }
    g_request = *request;
    g_pending = true;
    char prompt[512];
    FormatPrompt(g_request, prompt, sizeof prompt);
    Record("prompt", prompt);
    SetPromptLine(prompt);
    return 1;
}

static void Continue(int status) {
    g_pending = false;
    SetPromptLine("Command:");
    g_request.continuation(status, 0, 0);
    FinishCommandCall();
}

// An empty answer takes the default shown in the prompt when it has a value.
void AnswerPrompt(const char* text) {
    if (!g_pending) return;
    Record("answer", text);
    if (!text[0] && g_request.valueCount > 0) {
        Continue(kReqDefault);
        return;
    }
    size_t size = AnswerSize(g_request.answerKind);
    size_t length = strlen(text);
    if (length >= size) {
        SetStatusLine("Answer too long.");
        Record("refused", "answer too long");
        return;  // the prompt stays open, as a host refuses an overlong entry
    }
    memcpy(g_request.answer, text, length + 1);
    Continue(kReqAnswered);
}

void CancelPrompt() {
    if (!g_pending) return;
    Record("cancel", nullptr);
    Continue(kReqCancelled);
}
