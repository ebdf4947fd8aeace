// The multicast signal: scoped handles, changes of the listeners during a notification, and a
// signal or an owner that goes first.
#include "model/Signal.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

TEST(Signal, ListenersHearInOrderWhileTheirHandlesLive) {
    TSignal<int> signal;
    std::vector<std::string> log;
    TConnection a = signal.connect([&](int v) { log.push_back("a" + std::to_string(v)); });
    {
        const TConnection b =
            signal.connect([&](int v) { log.push_back("b" + std::to_string(v)); });
        signal.notify(1);
    }
    signal.notify(2);
    EXPECT_EQ(log, (std::vector<std::string>{"a1", "b1", "a2"}));

    // A moved handle carries the listener; release() leaves it for the signal's life.
    TConnection moved = std::move(a);
    EXPECT_FALSE(a.isConnected());
    EXPECT_TRUE(moved.isConnected());
    moved = signal.connect([&](int) { log.push_back("c"); });  // drops the one it held
    moved.release();
    signal.notify(3);
    EXPECT_EQ(log.back(), "c");
    EXPECT_EQ(signal.connectionCount(), 1);
    EXPECT_FALSE(signal.connect(nullptr).isConnected());
}

TEST(Signal, ListenersMayChangeTheListenersDuringANotification) {
    TSignal<> signal;
    std::vector<std::string> log;
    TConnection first;
    TConnection second;
    TConnection late;
    int depth = 0;
    first = signal.connect([&] {
        log.push_back("first");
        first.disconnect();   // itself: it still finishes this call
        second.disconnect();  // one not yet called: skipped from now on
        late = signal.connect([&] { log.push_back("late"); });
        if (++depth == 1) signal.notify();  // again, from inside
    });
    second = signal.connect([&] { log.push_back("second"); });
    const TConnection third = signal.connect([&] { log.push_back("third"); });

    signal.notify();
    // The nested notification reached the one listener left; the one connected during it
    // waits for the next.
    EXPECT_EQ(log, (std::vector<std::string>{"first", "third", "third"}));
    log.clear();
    signal.notify();
    EXPECT_EQ(log, (std::vector<std::string>{"third", "late"}));
    EXPECT_EQ(signal.connectionCount(), 2);
}

TEST(Signal, ASignalMayGoBeforeItsHandlesAndEvenDuringItsNotification) {
    TConnection outliving;
    {
        TSignal<> signal;
        outliving = signal.connect([] {});
    }
    EXPECT_FALSE(outliving.isConnected());
    outliving.disconnect();

    struct TOwner {
        TSignal<> changed;
    };
    auto owner = std::make_unique<TOwner>();
    int after = 0;
    const TConnection destroying = owner->changed.connect([&owner] { owner.reset(); });
    const TConnection next = owner->changed.connect([&after] { ++after; });
    owner->changed.notify();
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(after, 1);  // the notification ran to its end
    EXPECT_FALSE(next.isConnected());

    // A copy of an owner starts without listeners; an assignment keeps the target's.
    TOwner original;
    int heard = 0;
    const TConnection listening = original.changed.connect([&heard] { ++heard; });
    TOwner copy = original;
    copy.changed.notify();
    EXPECT_EQ(heard, 0);
    TOwner other;
    original = other;
    original.changed.notify();
    EXPECT_EQ(heard, 1);
}
