#pragma once

#if defined(GUIFOUNDATION_LIBRARY)
#define GUIFOUNDATION_EXPORT __attribute__((visibility("default")))
#else
#define GUIFOUNDATION_EXPORT
#endif
