#include "engine/resources/report.h"

#include <cstdarg>
#include <cstdio>

namespace {
ResourceReportHook g_hook = nullptr;
}

ResourceReportHook setResourceReportHook(ResourceReportHook hook) {
    ResourceReportHook old = g_hook;
    g_hook = hook;
    return old;
}

void resourceReport(Engine* engine, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    // System_Log takes a format; the line is passed as an argument so that a "%" in
    // a script or file name is never read as a conversion.
    if (engine) engine->System_Log("%s", line);
    if (g_hook) g_hook(line);
}
