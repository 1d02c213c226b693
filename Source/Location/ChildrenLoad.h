#pragma once

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "Location/ObjectNode.h"
#include "Platform/Data/OraStoredProc.h"

// One level of the location tree as the server sent it: the children's rows, their captions
// and the order they are listed in. Made on any thread: nothing here touches a widget.
class TFetchedLevel {
public:
    TFetchedLevel(TRowSet rows, const QString& abbrevSeparator);

    int Count() const { return int(FOrder.size()); }
    // The i-th child in the listed order.
    const QString& Caption(int i) const { return FCaptions[size_t(FOrder[size_t(i)])]; }
    int ID(int i) const { return Int(i, FId); }
    int Level(int i) const { return Int(i, FLevel); }
    int AbbrevID(int i) const { return Int(i, FAbbrevId); }
    int ChildCount(int i) const { return Int(i, FChildCount); }
    int Version(int i) const { return Int(i, FVersion); }

private:
    int Int(int i, int column) const;

    TRowSet FRows;
    int FId, FLevel, FAbbrevId, FChildCount, FVersion;
    std::vector<QString> FCaptions;  // by row
    std::vector<int> FOrder;         // rows in the alphabet's order of their captions
};

// Runs a children's call (on any thread) and makes its level.
TFetchedLevel FetchLevel(const TOraStoredProc::TDetachedCall& call, const QString& abbrevSeparator);

// The children of a wide node loaded without holding the window up: the server call and the
// sort run on a worker thread, then the nodes are shown a chunk per turn of the event loop,
// so the first screen comes at once and the user can scroll while the rest arrives. The
// load stops by itself when its node goes.
class TChildrenLoad : public QObject, private TObjectNode::IWatcher {
    Q_OBJECT
public:
    // Shows children [from, to) of the level under the node.
    using TShow = std::function<void(TObjectNode*, const TFetchedLevel&, int from, int to)>;
    // Called once, on the window's thread, when the load is over: with the node (null when it
    // went) and whether every child is shown.
    using TDone = std::function<void(TObjectNode*, bool complete)>;
    // Told a failed fetch's node (null when it went) and error, after done, unless Finish
    // throws it.
    using TFail = std::function<void(TObjectNode*, std::exception_ptr)>;

    TChildrenLoad(TObjectNode* node, TOraStoredProc::TDetachedCall call,
                  const QString& abbrevSeparator, int chunk, TShow show, TDone done, TFail fail,
                  QObject* parent = nullptr);
    // Waits for a fetch still running.
    ~TChildrenLoad() override;

    // The node being filled; null once it went or the load is over.
    TObjectNode* Node() const { return FNode; }
    bool Done() const { return FState == TState::Done; }
    // Waits for the rows and shows all that are left now; the fetch's error is thrown.
    void Finish();
    // Shows nothing more; a fetch still running is let finish.
    void Cancel();

private:
    enum class TState { Fetching, Showing, Done };
    void NodeGone() override;
    // Joins the fetch; whether its rows may be shown (if not, the load is over).
    bool Arrived();
    void Fetched();
    void ShowNextChunk();
    void End(bool complete);
    void Join();

    TObjectNode* FNode;
    int FChunk;
    TShow FShow;
    TDone FDone;
    TFail FFail;
    TState FState = TState::Fetching;
    std::optional<TFetchedLevel> FLevel;
    std::exception_ptr FError;
    int FNext = 0;
    std::thread FWorker;
};
