#pragma once

#include <QByteArray>
#include <QIODevice>

// A device read a block at a time and handed out byte by byte, for the file readers: however
// long the file, one block is held. A UTF-8 byte order mark at the start is passed over.
class TBlockInput {
public:
    explicit TBlockInput(QIODevice& from) : FFrom(from) {}

    int Get() {  // the next byte, or -1 at the end
        if (FPos >= FBuf.size()) Refill();
        return FEof ? -1 : static_cast<unsigned char>(FBuf[FPos++]);
    }
    int Peek() {  // the next byte without taking it, or -1 at the end
        if (FPos >= FBuf.size()) Refill();
        return FEof ? -1 : static_cast<unsigned char>(FBuf[FPos]);
    }

private:
    void Refill();

    QIODevice& FFrom;
    QByteArray FBuf;
    qsizetype FPos = 0;
    bool FEof = false;
    bool FStarted = false;
};
