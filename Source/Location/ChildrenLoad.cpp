#include "Location/ChildrenLoad.h"

#include "Location/LocationTree.h"
#include "Location/NameOrder.h"
#include "Platform/Data/DataConvert.h"
#include "Platform/Data/DatabaseError.h"

#include <algorithm>
#include <utility>

namespace {

int Column(const TRowSet& rows, const char* name) {
    const QLatin1StringView wanted(name);
    for (size_t i = 0; i < rows.Columns.size(); ++i)
        if (rows.Columns[i].Name.compare(wanted, Qt::CaseInsensitive) == 0) return int(i);
    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(wanted));
}

}  // namespace

TFetchedLevel FetchLevel(const TOraStoredProc::TDetachedCall& call,
                         const QString& abbrevSeparator) {
    TCallResult result = call.Run();
    if (!result.Cursor)
        throw EDatabaseError(QStringLiteral("%1 returns no cursor").arg(call.Routine.Routine));
    return TFetchedLevel(std::move(*result.Cursor), abbrevSeparator);
}

TFetchedLevel::TFetchedLevel(TRowSet rows, const QString& abbrevSeparator)
    : FRows(std::move(rows)),
      FId(Column(FRows, "ID")),
      FLevel(Column(FRows, "LEVEL#")),
      FAbbrevId(Column(FRows, "ABBREV_ID")),
      FChildCount(Column(FRows, "CHILD_CNT")),
      FVersion(Column(FRows, "VERSION")) {
    const int shortName = Column(FRows, "ABBREV_SNAME");
    const int name = Column(FRows, "NAME");
    FCaptions.reserve(FRows.Rows.size());
    for (const auto& row : FRows.Rows) {
        FCaptions.push_back(TLocationTree::Caption(DataConvert::ToString(row[size_t(shortName)]),
                                                   abbrevSeparator,
                                                   DataConvert::ToString(row[size_t(name)])));
    }
    FOrder = NameOrder::SortedOrder(FCaptions);
}

int TFetchedLevel::Int(int i, int column) const {
    return int(DataConvert::ToInteger(FRows.Rows[size_t(FOrder[size_t(i)])][size_t(column)]));
}

TChildrenLoad::TChildrenLoad(TObjectNode* node, TOraStoredProc::TDetachedCall call,
                             const QString& abbrevSeparator, int chunk, TShow show, TDone done,
                             TFail fail, QObject* parent)
    : QObject(parent),
      FNode(node),
      FChunk(std::max(chunk, 1)),
      FShow(std::move(show)),
      FDone(std::move(done)),
      FFail(std::move(fail)) {
    FNode->Watcher = this;
    FWorker = std::thread([this, call = std::move(call), separator = abbrevSeparator] {
        try {
            FLevel.emplace(FetchLevel(call, separator));
        } catch (...) {
            FError = std::current_exception();
        }
        QMetaObject::invokeMethod(this, &TChildrenLoad::Fetched, Qt::QueuedConnection);
    });
}

TChildrenLoad::~TChildrenLoad() {
    if (FNode) FNode->Watcher = nullptr;
    Join();
}

void TChildrenLoad::Join() {
    if (FWorker.joinable()) FWorker.join();
}

void TChildrenLoad::NodeGone() {
    FNode = nullptr;
    // A fetch still running ends when its rows come (Fetched), not here: the window must not
    // wait for it.
    if (FState == TState::Showing) End(false);
}

bool TChildrenLoad::Arrived() {
    Join();
    if (FError || !FNode) {
        End(false);
        return false;
    }
    FState = TState::Showing;
    return true;
}

void TChildrenLoad::Fetched() {
    if (FState != TState::Fetching) return;  // Finish got there first
    TObjectNode* node = FNode;
    if (Arrived())
        ShowNextChunk();
    else if (FError && FFail)
        FFail(node, FError);
}

void TChildrenLoad::ShowNextChunk() {
    if (FState != TState::Showing || !FNode) return;
    const int to = std::min(FNext + FChunk, FLevel->Count());
    FShow(FNode, *FLevel, FNext, to);
    FNext = to;
    if (FNext < FLevel->Count())
        QMetaObject::invokeMethod(this, &TChildrenLoad::ShowNextChunk, Qt::QueuedConnection);
    else
        End(true);
}

void TChildrenLoad::Finish() {
    if (FState == TState::Fetching && !Arrived() && FError) std::rethrow_exception(FError);
    if (FState != TState::Showing) return;
    FChunk = FLevel->Count();
    ShowNextChunk();
}

void TChildrenLoad::Cancel() {
    if (FState != TState::Done) End(false);
}

void TChildrenLoad::End(bool complete) {
    FState = TState::Done;
    TObjectNode* node = std::exchange(FNode, nullptr);
    if (node) node->Watcher = nullptr;
    FLevel.reset();
    if (FDone) FDone(node, complete);
}
