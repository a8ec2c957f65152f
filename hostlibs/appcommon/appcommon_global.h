#pragma once

#if defined(APPCOMMON_LIBRARY)
#define APPCOMMON_EXPORT __attribute__((visibility("default")))
#else
#define APPCOMMON_EXPORT
#endif
