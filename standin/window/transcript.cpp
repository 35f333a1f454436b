// The run's transcript: every exchange between host and module that tests
// compare, one line each.
#include "standin/standin.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

// Records come from the user-interface and script threads.
static struct TranscriptLock {
    CRITICAL_SECTION section;
    TranscriptLock() { InitializeCriticalSection(&section); }
} g_lock;
static FILE* g_file;       // written by Record, closed at exit
static int g_errors;       // counted by RecordError, read at exit
// What /stamps counts from: the host's start.
static double Milliseconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1e3 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}
static double g_start = Milliseconds();

void OpenTranscript(const char* path) {
    if (path[0]) g_file = fopen(path, "wb");
}

void CloseTranscript() {
    if (g_file) fclose(g_file);
    g_file = nullptr;
}

// Replaces the work folder by <work> so transcripts do not depend on where
// the run happened.
static void WriteText(const char* text) {
    size_t workLength = strlen(g_config.workDir);
    for (const char* p = text; *p;) {
        if (workLength && _strnicmp(p, g_config.workDir, workLength) == 0) {
            fputs("<work>", g_file);
            p += workLength;
        } else if (*p == '\n') {
            fputs("\\n", g_file);
            ++p;
        } else if (*p == '\r') {
            fputs("\\r", g_file);
            ++p;
        } else {
            fputc(*p++, g_file);
        }
    }
}

void Record(const char* kind, const char* text) {
    EnterCriticalSection(&g_lock.section);
    if (g_file) {
        if (g_config.stamps) fprintf(g_file, "%.2f ", Milliseconds() - g_start);
        fputs(kind, g_file);
        if (text) {
            fputc(' ', g_file);
            WriteText(text);
        }
        fputc('\n', g_file);
        fflush(g_file);
    }
    LeaveCriticalSection(&g_lock.section);
}

void RecordF(const char* kind, const char* format, ...) {
    char text[2048];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    text[sizeof text - 1] = '\0';
    Record(kind, text);
}

void RecordError(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    text[sizeof text - 1] = '\0';
    InterlockedIncrement(reinterpret_cast<volatile LONG*>(&g_errors));
    Record("ERROR", text);
}

int TranscriptErrorCount() { return g_errors; }
