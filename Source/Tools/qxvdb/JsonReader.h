#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <vector>

#include "Tools/qxvdb/BlockInput.h"

// Reads a JSON array of objects (RFC 8259, UTF-8) item by item, reading the device a block at
// a time: however large the file, no more than one item, up to the item limit, is held. Of each
// object it keeps the members named by the keys it is given; the others are checked for syntax
// and passed over.
class TJsonReader {
public:
    enum class TStep { Item, Bad, End };
    // Other: true, false, an object or an array.
    enum class TKind { Absent, Null, String, Number, Other };
    struct TValue {
        TKind Kind = TKind::Absent;
        QByteArray Text;  // String: the text unescaped, valid UTF-8; Number: as written
    };

    // Members whose key begins with one of `prefixes` are kept too: each such key joins the
    // keys the first time it is met (Keys() grows).
    TJsonReader(QIODevice& from, std::vector<QByteArray> keys, qsizetype maxItemBytes,
                std::vector<QByteArray> prefixes = {});

    // Reads the next item. Item: Values() holds its members, one per key. Bad: the item was
    // refused (Fault() says why, FaultKey() which key, -1 the item as a whole) and the next one
    // follows; or, when Stopped(), the file cannot be read on (it is not an array, or its
    // syntax is broken) and End follows.
    TStep Next();

    const std::vector<TValue>& Values() const { return FValues; }
    const std::vector<QByteArray>& Keys() const { return FKeys; }
    int Line() const { return FItemLine; }  // where the item starts, or where the syntax breaks
    int FaultKey() const { return FFaultKey; }
    const QString& Fault() const { return FFault; }
    bool Stopped() const { return FStopped; }

private:
    int Get();  // next byte, or -1 at the end
    int Peek() { return FInput.Peek(); }
    void SkipSpace();
    void SetFault(int key, const QString& text);
    TStep Stop(int line, const QString& text);
    TStep AfterArray();
    // Each returns false once the syntax is broken (Stop has been called).
    bool Syntax(int line, const QString& text);
    bool Value(int depth, TValue* into);
    bool Object(int depth, bool keep);
    bool Array(int depth);
    bool String(int line, QByteArray* into);  // checks the text as UTF-8
    bool Text(int line, QByteArray* into);
    bool Number(int line, QByteArray* into);
    bool Literal(int line, TValue* into);
    void Put(QByteArray* into, char c);
    // The index of a kept key, or -1.
    int KeyIndex(const QByteArray& key);

    TBlockInput FInput;
    std::vector<QByteArray> FKeys;
    const std::vector<QByteArray> FPrefixes;
    const qsizetype FMax;
    bool FStarted = false;  // past the opening bracket
    bool FDone = false;
    bool FStopped = false;
    int FLine = 1;
    int FItemLine = 1;
    bool FInItem = false;
    qsizetype FItemBytes = 0;
    bool FTooLarge = false;  // the item passed the limit: nothing more of it is kept
    int FKey = -1;           // the key whose value is being read
    std::vector<TValue> FValues;
    int FFaultKey = -1;
    QString FFault;
};
