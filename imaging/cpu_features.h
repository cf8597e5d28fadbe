#pragma once
// What the processor offers beyond the baseline the program is built for, asked once.

// AVX-512 with byte shuffles across the whole register (F, BW and VBMI): what the loops that
// pack four-byte pixels down to three bytes need.
bool RunsAvx512BytePermutes();
