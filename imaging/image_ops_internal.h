#pragma once

// The copy operations use SSSE3 shuffles where the processor has them and plain pixel moves
// elsewhere. Tests switch the fast paths off to check that both give the same bytes.
namespace image_ops_detail {
bool SimdAvailable();
void SetSimdEnabled(bool enabled);  // no effect where SimdAvailable() is false
}  // namespace image_ops_detail
