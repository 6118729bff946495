// Name lookups left behind at their time-out: at most four at a time, and none started for
// a cancelled exchange. This program's own getaddrinfo holds every lookup of a name ending
// in ".stall.test" until the test lets them go, as a name server that never answers.
#include <dlfcn.h>
#include <netdb.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/detached_thread.h"
#include "platform/sockets.h"

namespace {

std::mutex stallMutex;
std::condition_variable stallChanged;
bool stallHolds = true;
int stalledLookups = 0;

void SetStall(bool holds) {
    std::lock_guard<std::mutex> lock(stallMutex);
    stallHolds = holds;
    stallChanged.notify_all();
}

// The lookups that reached the name server, once `count` have or a few seconds passed.
int StalledLookups(int count) {
    std::unique_lock<std::mutex> lock(stallMutex);
    stallChanged.wait_for(lock, std::chrono::seconds(5), [&] { return stalledLookups >= count; });
    return stalledLookups;
}

platform::IoStatus Resolve(const char* host, int timeoutMs, const platform::CancelFlag* cancel = nullptr) {
    std::vector<platform::SocketAddress> addresses;
    platform::SocketError error;
    return platform::ResolveHostWithin(host, 80, timeoutMs, cancel, addresses, error);
}

}  // namespace

extern "C" int getaddrinfo(const char* node, const char* service, const addrinfo* hints, addrinfo** found) {
    using Lookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto next = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getaddrinfo"));
    if (node && std::string_view(node).ends_with(".stall.test")) {
        if (hints && (hints->ai_flags & AI_NUMERICHOST)) return EAI_NONAME;
        std::unique_lock<std::mutex> lock(stallMutex);
        ++stalledLookups;
        stallChanged.notify_all();
        stallChanged.wait(lock, [] { return !stallHolds; });
        node = "127.0.0.1";
    }
    return next(node, service, hints, found);
}

namespace {

using platform::IoStatus;

TEST(LeftBehindLookups, AtMostFourAreLeftBehindAndACancelledExchangeStartsNone) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Resolve("silent.stall.test", 20), IoStatus::TimedOut);
    ASSERT_EQ(StalledLookups(4), 4);
    // A fifth is not started: it times out at once instead of after its ten seconds.
    EXPECT_EQ(Resolve("fifth.stall.test", 10000), IoStatus::TimedOut);
    EXPECT_EQ(StalledLookups(4), 4);

    SetStall(false);
    ASSERT_TRUE(platform::WaitForDetachedThreads(10000));
    EXPECT_EQ(Resolve("answered.stall.test", 10000), IoStatus::Done);

    SetStall(true);
    const platform::CancelFlag cancelled{true};
    EXPECT_EQ(Resolve("cancelled.stall.test", 10000, &cancelled), IoStatus::Failed);
    EXPECT_TRUE(platform::WaitForDetachedThreads(1000));
    SetStall(false);
}

}  // namespace
