#include "Tools/qxvdb/BlockInput.h"

namespace {

constexpr qsizetype kBlock = 64 * 1024;

}  // namespace

void TBlockInput::Refill() {
    if (FEof) return;
    // One block's room, kept from read to read.
    FBuf.resize(kBlock);
    const qint64 n = FFrom.read(FBuf.data(), kBlock);
    FBuf.resize(n > 0 ? n : 0);
    FPos = 0;
    if (FBuf.isEmpty()) FEof = true;
    if (!FStarted) {
        FStarted = true;
        if (FBuf.startsWith("\xEF\xBB\xBF")) FPos = 3;
        if (FPos >= FBuf.size()) Refill();  // nothing but the mark in the first block
    }
}
