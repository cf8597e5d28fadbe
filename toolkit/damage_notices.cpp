#include "damage_notices.h"

#include "dialogs.h"

void TDamageNotices::Tell(const std::string& path, const JpegDecodeReport& report) {
    if (report.complete || !told_.insert(path).second) return;
    ShowMessage(path + ": " + DamagedPictureReason(report));
}
