#include "Platform/Ui/WindowMessages.h"

#include <QCoreApplication>

#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

WindowMessages& Bus() { return WindowMessages::Instance(); }

// The nested sends of the host handshake are tested with the real handshake, in ComUnits.
TEST(WindowMessagesTest, UnknownDestroyedAndOwnHandlerDestroyedWindows) {
    EXPECT_EQ(Bus().SendMessage(0, 1, 2, 3), 0);
    EXPECT_EQ(Bus().SendMessage(123456789, 1, 2, 3), 0);
    EXPECT_EQ(Bus().Register(nullptr), 0);
    TWindowHandle gone = 0;
    {
        TMessageWindow w([](unsigned, long long, long long) { return 7LL; });
        gone = w.Handle();
        EXPECT_TRUE(Bus().IsWindow(gone));
        EXPECT_EQ(Bus().SendMessage(gone, 1, 0, 0), 7);
    }
    EXPECT_FALSE(Bus().IsWindow(gone));
    EXPECT_EQ(Bus().SendMessage(gone, 1, 0, 0), 0);
    TMessageWindow next([](unsigned, long long, long long) { return 3LL; });
    EXPECT_NE(next.Handle(), gone);  // handles are never reused

    // A window destroyed by its own handler finishes the call.
    std::unique_ptr<TMessageWindow> window;
    window = std::make_unique<TMessageWindow>([&window](unsigned msg, long long w, long long) {
        window.reset();
        return static_cast<long long>(msg) + w;
    });
    const TWindowHandle handle = window->Handle();
    EXPECT_EQ(Bus().SendMessage(handle, 40, 2, 0), 42);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(Bus().SendMessage(handle, 40, 2, 0), 0);
}

TEST(WindowMessagesTest, PostsArriveInOrderFromTheEventLoopAndNotAfterTheWindowWent) {
    std::vector<long long> got;
    auto record = [&got](unsigned msg, long long wp, long long lp) {
        got.push_back(msg * 100 + wp * 10 + lp);
        return 0LL;
    };
    TMessageWindow w(record);
    auto doomed = std::make_unique<TMessageWindow>(record);
    EXPECT_TRUE(Bus().PostMessage(w.Handle(), 1, 1, 1));
    EXPECT_TRUE(Bus().PostMessage(doomed->Handle(), 9, 9, 9));
    EXPECT_TRUE(Bus().PostMessage(w.Handle(), 2, 2, 2));
    EXPECT_TRUE(got.empty()) << "a post must not be delivered synchronously";
    doomed.reset();
    TMessageWindow newcomer(record);  // must not inherit the stale message
    EXPECT_FALSE(Bus().PostMessage(123456789, 1, 0, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(got, (std::vector<long long>{111, 222}));
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
