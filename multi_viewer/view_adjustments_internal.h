#pragma once

// The byte-table colour steps use 64-byte permutes where the processor has them and table
// loops elsewhere. Tests switch the permutes off to check that both give the same bytes.
namespace view_adjustments_detail {
bool VectorTablesAvailable();
void SetVectorTablesEnabled(bool enabled);  // no effect where VectorTablesAvailable() is false
}  // namespace view_adjustments_detail
