#include "Location/DataMod.h"

#include <QPointer>

#include "ComUnits/uImageList.h"
#include "Location/Pictures.h"

namespace {
QPointer<TDM>& Current() {
    static QPointer<TDM> current;
    return current;
}
}  // namespace

TDM::TDM(QObject* owner) : QObject(owner), FImageList(new TImageList(this)) {
    setObjectName(QStringLiteral("DM"));
    FImageList->setObjectName(QStringLiteral("ImageList"));
    FImageList->InsertMasked(0, Pictures::DefaultPlace(), Pictures::Transparent);
    FImageList->InsertMasked(1, Pictures::Globe(), Pictures::Transparent);
}

TDM::~TDM() = default;

TDM* CurrentDM() { return Current().data(); }

void SetCurrentDM(TDM* dm) { Current() = dm; }
