// Resource reports: every complaint of the script parser, the font reader and the
// string table goes to System_Log, which discards it. Tests install a hook to see
// the formatted lines.
#pragma once

#include "engine/engine.h"

using ResourceReportHook = void (*)(const char* line);

// Null removes the hook. Returns the previous one.
ResourceReportHook setResourceReportHook(ResourceReportHook hook);

// Hands format and arguments to engine->System_Log and, with a hook installed, the
// formatted line (cut to 1023 characters) to the hook.
void resourceReport(Engine* engine, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
