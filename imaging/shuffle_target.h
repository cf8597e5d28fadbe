#pragma once
// For the files that hold SSSE3 kernels: the intrinsics and the attribute that builds one
// function for SSSE3 while the rest of the program stays at the baseline. Callers reach such a
// function only when ShufflesEnabled() (pixel_gather.h) says the processor runs it.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define LUMIVEX_X86_SHUFFLES 1
#define LUMIVEX_SSSE3 __attribute__((target("ssse3")))
#endif
