// Compiled with only the extraction core's include path: with KESTRUN_PROBE_QT defined this must fail, since
// the core cannot see Qt; without it, it must compile.
#include "VideoGpsTool.h"
#ifdef KESTRUN_PROBE_QT
#include <QString>
#endif
