#include "platform/dispatcher.h"

#include "platform/error.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace kalidor {
namespace {

TEST(SerialDispatcher, RunsNestedStepsAtOnceAndNeverTwoStepsTogether) {
    SerialDispatcher dispatcher;
    int inside = 0, overlaps = 0, steps = 0;
    auto step = [&] {
        overlaps += inside++ != 0;
        dispatcher.runSync([&] { ++steps; });  // a step's own step runs at once
        --inside;
        ++steps;
    };
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 1000; ++i)
                dispatcher.runSync(step);
        });
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(overlaps, 0);
    EXPECT_EQ(dispatcher.withLock([&] { return steps; }), 8000);
}

TEST(Dispatcher, StepErrorsReachTheCaller) {
    DirectDispatcher direct;
    SerialDispatcher serial;
    for (Dispatcher* d : {static_cast<Dispatcher*>(&direct), static_cast<Dispatcher*>(&serial)})
        EXPECT_THROW(d->runSync([] { throw Error("step"); }), Error);
    EXPECT_NO_THROW(serial.runSync([] {}));  // the lock was given back
}

}  // namespace
}  // namespace kalidor
