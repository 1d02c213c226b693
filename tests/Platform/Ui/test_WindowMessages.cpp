#include "Platform/Ui/WindowMessages.h"

#include <QCoreApplication>

#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct TReceived {
    unsigned Msg;
    long long WParam;
    long long LParam;
};

WindowMessages& Bus() { return WindowMessages::Instance(); }

// The handshake as the host and a plug-in play it: the plug-in's hidden window
// sends 2024 to the host's main window; while that send runs, the host sends 2025
// and 2026 back to the hidden window with pointers to its records.
constexpr unsigned MsgRequest = 2024;
constexpr unsigned MsgConsole = 2025;
constexpr unsigned MsgLink = 2026;
constexpr long long Answered = -12345678;
constexpr long long NotAnswered = 12345678;

struct TConsoleRecord {
    bool Standard;
    char Version[16];
};

struct TLinkRecord {
    const char* Schema;
    void* Session;
};

class HandshakeTest : public ::testing::Test {
protected:
    // Host side
    TConsoleRecord FConsole{true, "4.0.1.0"};
    int FSessionObject = 42;
    TLinkRecord FLink{"QXVERPLOCAT", &FSessionObject};
    std::vector<long long> FHostSawAnswers;
    std::unique_ptr<TMessageWindow> FHost;

    // Library side
    bool FWaiting = false;
    bool FGotStandard = false;
    QString FGotVersion;
    QString FGotSchema;
    void* FGotSession = nullptr;
    std::unique_ptr<TMessageWindow> FHidden;

    void SetUp() override {
        FHost = std::make_unique<TMessageWindow>([this](unsigned msg, long long w, long long) {
            if (msg != MsgRequest) return 0LL;
            const TWindowHandle hidden = w;
            const TWindowHandle self = FHost->Handle();
            FHostSawAnswers.push_back(Bus().SendMessage(hidden, MsgConsole, self,
                                                        WindowMessages::PointerParam(&FConsole)));
            FHostSawAnswers.push_back(
                Bus().SendMessage(hidden, MsgLink, self, WindowMessages::PointerParam(&FLink)));
            return Answered;
        });
        FHidden = std::make_unique<TMessageWindow>([this](unsigned msg, long long w, long long l) {
            if (w != FHost->Handle()) return 0LL;
            if (!FWaiting) return -1LL;
            if (msg == MsgConsole) {
                const auto* rec = WindowMessages::ParamPointer<TConsoleRecord>(l);
                FGotStandard = rec->Standard;
                FGotVersion = QString::fromLatin1(rec->Version);
                return FGotStandard ? Answered : NotAnswered;
            }
            if (msg == MsgLink) {
                const auto* rec = WindowMessages::ParamPointer<TLinkRecord>(l);
                FGotSchema = QString::fromLatin1(rec->Schema);
                FGotSession = rec->Session;
                return rec->Schema && rec->Session ? Answered : NotAnswered;
            }
            return 0LL;
        });
    }

    long long Request() {
        FWaiting = true;
        const long long r =
            Bus().SendMessage(FHost->Handle(), MsgRequest, FHidden->Handle(), MsgRequest);
        FWaiting = false;
        return r;
    }
};

TEST_F(HandshakeTest, NestedSendsCarryTheHostRecordsBackInsideTheRequest) {
    EXPECT_EQ(Request(), Answered);
    EXPECT_TRUE(FGotStandard);
    EXPECT_EQ(FGotVersion, "4.0.1.0");
    EXPECT_EQ(FGotSchema, "QXVERPLOCAT");
    EXPECT_EQ(FGotSession, &FSessionObject);
    EXPECT_EQ(FHostSawAnswers, (std::vector<long long>{Answered, Answered}));
}

TEST_F(HandshakeTest, AnswersOutsideARequestOrFromAnotherWindowAreNotTaken) {
    // Not waiting: the hidden window answers -1 and keeps nothing.
    EXPECT_EQ(Bus().SendMessage(FHidden->Handle(), MsgConsole, FHost->Handle(),
                                WindowMessages::PointerParam(&FConsole)),
              -1);
    EXPECT_TRUE(FGotVersion.isEmpty());

    // Waiting, but the first parameter is not the host's window: ignored.
    FWaiting = true;
    TMessageWindow stranger([](unsigned, long long, long long) { return 0LL; });
    EXPECT_EQ(Bus().SendMessage(FHidden->Handle(), MsgConsole, stranger.Handle(),
                                WindowMessages::PointerParam(&FConsole)),
              0);
    EXPECT_TRUE(FGotVersion.isEmpty());
}

TEST_F(HandshakeTest, AMissingSessionGivesTheNotAnsweredValueToTheHost) {
    FLink.Session = nullptr;
    Request();
    EXPECT_EQ(FHostSawAnswers, (std::vector<long long>{Answered, NotAnswered}));
}

TEST(WindowMessagesTest, SendToAnUnknownOrDestroyedHandleReturnsZero) {
    EXPECT_EQ(Bus().SendMessage(0, 1, 2, 3), 0);
    EXPECT_EQ(Bus().SendMessage(123456789, 1, 2, 3), 0);

    int calls = 0;
    TWindowHandle gone = 0;
    {
        TMessageWindow w([&calls](unsigned, long long, long long) {
            ++calls;
            return 7LL;
        });
        gone = w.Handle();
        EXPECT_NE(gone, 0);
        EXPECT_TRUE(Bus().IsWindow(gone));
        EXPECT_EQ(Bus().SendMessage(gone, 1, 0, 0), 7);
    }
    EXPECT_FALSE(Bus().IsWindow(gone));
    EXPECT_EQ(Bus().SendMessage(gone, 1, 0, 0), 0);
    EXPECT_EQ(calls, 1);
}

TEST(WindowMessagesTest, HandlesAreDistinctAndNeverReused) {
    TWindowHandle first = 0;
    {
        TMessageWindow a([](unsigned, long long, long long) { return 1LL; });
        first = a.Handle();
    }
    TMessageWindow b([](unsigned, long long, long long) { return 2LL; });
    TMessageWindow c([](unsigned, long long, long long) { return 3LL; });
    EXPECT_NE(b.Handle(), first);
    EXPECT_NE(c.Handle(), b.Handle());
    EXPECT_EQ(Bus().SendMessage(first, 0, 0, 0), 0);
    EXPECT_EQ(Bus().SendMessage(c.Handle(), 0, 0, 0), 3);
    EXPECT_EQ(Bus().Register(nullptr), 0);
}

TEST(WindowMessagesTest, AWindowDestroyedByItsOwnHandlerFinishesTheCall) {
    auto window = std::make_unique<TMessageWindow>(nullptr);
    std::unique_ptr<TMessageWindow>* holder = &window;
    window = std::make_unique<TMessageWindow>([holder](unsigned msg, long long w, long long) {
        holder->reset();  // the handler object must survive this
        return static_cast<long long>(msg) + w;
    });
    const TWindowHandle handle = window->Handle();
    EXPECT_EQ(Bus().SendMessage(handle, 40, 2, 0), 42);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(Bus().SendMessage(handle, 40, 2, 0), 0);
}

TEST(WindowMessagesTest, PostedMessagesArriveInOrderFromTheEventLoop) {
    std::vector<TReceived> got;
    TMessageWindow w([&got](unsigned msg, long long wp, long long lp) {
        got.push_back({msg, wp, lp});
        return 0LL;
    });
    EXPECT_TRUE(Bus().PostMessage(w.Handle(), 10, 1, -1));
    EXPECT_TRUE(Bus().PostMessage(w.Handle(), 11, 2, -2));
    EXPECT_TRUE(Bus().PostMessage(w.Handle(), 12, 3, -3));
    EXPECT_TRUE(got.empty()) << "a post must not be delivered synchronously";

    QCoreApplication::processEvents();
    ASSERT_EQ(got.size(), 3u);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].Msg, 10 + i);
        EXPECT_EQ(got[i].WParam, static_cast<long long>(i + 1));
        EXPECT_EQ(got[i].LParam, -static_cast<long long>(i + 1));
    }
}

TEST(WindowMessagesTest, APostToAWindowDestroyedBeforeDeliveryIsDropped) {
    int delivered = 0;
    auto counter = [&delivered](unsigned, long long, long long) {
        ++delivered;
        return 0LL;
    };
    auto doomed = std::make_unique<TMessageWindow>(counter);
    TMessageWindow survivor(counter);
    EXPECT_TRUE(Bus().PostMessage(doomed->Handle(), 1, 0, 0));
    EXPECT_TRUE(Bus().PostMessage(survivor.Handle(), 2, 0, 0));
    doomed.reset();
    // A window created now must not inherit the stale message either.
    TMessageWindow newcomer(counter);

    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 1);
    EXPECT_FALSE(Bus().PostMessage(123456789, 1, 0, 0));
}

TEST(WindowMessagesTest, CallsFromAnotherThreadAreRefused) {
    int calls = 0;
    TMessageWindow w([&calls](unsigned, long long, long long) {
        ++calls;
        return 5LL;
    });
    long long sent = -1;
    bool posted = true;
    std::thread other([&] {
        sent = Bus().SendMessage(w.Handle(), 1, 0, 0);
        posted = Bus().PostMessage(w.Handle(), 1, 0, 0);
    });
    other.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(sent, 0);
    EXPECT_FALSE(posted);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Bus().SendMessage(w.Handle(), 1, 0, 0), 5);
}

}  // namespace
