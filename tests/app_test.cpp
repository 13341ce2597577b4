// The application layer: long work and its watcher, and the request's
// checks as a front end other than the tool words them.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/request.h"
#include "app/watch.h"
#include "input/usage_error.h"
#include "model/ensemble.h"

namespace {

using pandemie::app::watchWork;
using pandemie::app::WorkThread;

// Work of some seconds unless it is stopped.
constexpr std::int64_t longWork = 100'000;
std::atomic<std::int64_t> ranInAll{0};
void longRuns(std::atomic<std::int64_t>* done) {
    pandemie::forEachIndex(longWork, 2, [done](std::int64_t /*run*/) {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        done->fetch_add(1, std::memory_order_relaxed);
        ranInAll.fetch_add(1, std::memory_order_relaxed);
    });
}

TEST(watchWork, aFailingTickStopsTheWorkAndIsRethrownOnEitherThread) {
    for (const WorkThread where : {WorkThread::own, WorkThread::calling}) {
        int ticks = 0;
        ranInAll = 0;
        EXPECT_THROW(watchWork(
                         longRuns,
                         [&](std::int64_t /*done*/, bool /*returned*/) -> bool {
                             if (++ticks == 2) throw std::runtime_error("interrupted");
                             return false;
                         },
                         where),
                     std::runtime_error);
        EXPECT_EQ(ticks, 2);
        EXPECT_LT(ranInAll.load(), longWork / 2);
    }
}

TEST(watchWork, theWorksFailureComesAfterTheLastTickWhichSeesItReturned) {
    const auto callingThread = std::this_thread::get_id();
    for (const WorkThread where : {WorkThread::own, WorkThread::calling}) {
        bool sawReturn = false;
        std::thread::id workThread;
        const auto work = [&](std::atomic<std::int64_t>* done) {
            workThread = std::this_thread::get_id();
            done->store(7);
            throw pandemie::input::UsageError("bad");
        };
        EXPECT_THROW(watchWork(
                         work,
                         [&](std::int64_t done, bool returned) {
                             sawReturn = returned && done == 7;
                             return returned;
                         },
                         where),
                     pandemie::input::UsageError);
        EXPECT_TRUE(sawReturn);
        EXPECT_EQ(workThread == callingThread, where == WorkThread::calling);
    }
}

// The module's wording: keywords without dashes, "changes" for the tool's --change.
pandemie::app::Wording keywords() {
    return {[](std::string_view keyword) { return keyword == "change" ? "changes" : std::string(keyword); },
            "=", "its keyword", "pandemie.fit", true};
}

std::string refusal(pandemie::app::RequestDraft draft) {
    try {
        static_cast<void>(std::move(draft).finish());
    } catch (const pandemie::input::UsageError& error) {
        return error.what();
    }
    return "";
}

TEST(request, crossChecksNameTheOptionsAsTheFrontEndSpellsThem) {
    pandemie::app::RequestDraft swept(keywords());
    swept.set("encounters", "4");
    swept.set("sweep", "encounters=1..3");
    EXPECT_EQ(refusal(std::move(swept)), "encounters: cannot be combined with sweep of encounters");

    pandemie::app::RequestDraft changed(keywords());
    changed.set("change", "30:encounters=4");
    changed.setScenarios({{"a", {}, {}}});
    EXPECT_EQ(refusal(std::move(changed)), "changes: with scenarios the changes belong in the scenario file");

    pandemie::app::RequestDraft twice(keywords());
    twice.setScenarios({{"a", {}, {}}, {"b", {{"latency", "3"}}, {}}, {"a", {}, {}}});
    EXPECT_EQ(refusal(std::move(twice)), "scenarios: scenario \"a\" is named twice");
    pandemie::app::RequestDraft spelled(keywords());
    spelled.setScenarios({{"f\u00FCr", {}, {}}, {"fur", {}, {}}, {"fu\u0308r", {}, {}}});
    EXPECT_EQ(refusal(std::move(spelled)),
              "scenarios: scenario \"fu\u0308r\" is named twice, in two spellings of the same letters");

    pandemie::app::RequestDraft fixed(keywords());
    fixed.set("latency", "3");
    fixed.set("prior", "latency=1..4");
    fixed.setObservedText("day,infected\n1,3\n2,5\n", "<data>");
    EXPECT_EQ(refusal(std::move(fixed)), "prior: latency is held fixed by its keyword");
}

TEST(request, theModeFollowsWhatIsGivenAndAFitsRunsDefaultToItsMatchingRuns) {
    pandemie::app::RequestDraft fit(keywords());
    fit.setObservedText("day,infected\n1,3\n2,5\n", "<data>");
    const pandemie::app::Request request = std::move(fit).finish();
    EXPECT_EQ(request.mode(), pandemie::app::Mode::fit);
    EXPECT_EQ(request.runs, pandemie::app::defaultMatchingRuns);

    pandemie::app::RequestDraft scenarios(keywords());
    scenarios.set("runs", "5");
    scenarios.setScenarios({{"a", {}, {}}, {"b", {{"latency", "3"}}, {"40:encounters=2"}}});
    const pandemie::app::Request compared = std::move(scenarios).finish();
    EXPECT_EQ(compared.mode(), pandemie::app::Mode::scenarios);
    ASSERT_EQ(compared.scenarios.size(), 2U);
    EXPECT_EQ(compared.scenarios[1].parameters.latencyDays, 3);
    EXPECT_EQ(compared.scenarios[1].changes.size(), 1U);
}

}  // namespace
