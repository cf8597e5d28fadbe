#include "cpu_features.h"

bool RunsAvx512BytePermutes() {
#if defined(__GNUC__) && defined(__x86_64__)
    static const bool runs = __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vbmi");
    return runs;
#else
    return false;
#endif
}
