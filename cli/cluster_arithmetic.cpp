#include "cli/cluster_arithmetic.h"

#include <algorithm>
#include <utility>

namespace pandemie::cli {

RunShare shareOfRuns(std::int64_t runs, int rank, int size) noexcept {
    const std::int64_t each = runs / size;
    const std::int64_t extra = runs % size;
    return {rank * each + std::min<std::int64_t>(rank, extra), each + (rank < extra ? 1 : 0)};
}

namespace {

constexpr std::size_t batchCounters = std::size_t{1} << 20;

// Statistics objects whose counters are summed together.
class CounterBatch {
public:
    explicit CounterBatch(const CounterSum& sum) : sum_(sum) {}

    template <class Statistics>
    void add(Statistics& statistics) {
        statistics.transferCounters(collected_);
        members_.emplace_back([&statistics](CounterTransfer& sums) { statistics.transferCounters(sums); });
        if (collected_.values().size() >= batchCounters) sum();
    }

    void sum() {
        if (members_.empty()) return;
        std::vector<std::uint64_t> sums = sum_(collected_.values());
        if (!sums.empty()) {
            CounterTransfer total(std::move(sums));
            for (const auto& member : members_) member(total);
        }
        collected_ = CounterTransfer();
        members_.clear();
    }

private:
    const CounterSum& sum_;
    CounterTransfer collected_;
    std::vector<std::function<void(CounterTransfer&)>> members_;
};

}  // namespace

void sumCounters(ScenarioResults& results, const CounterSum& sum) {
    CounterBatch batch(sum);
    for (OutcomeStatistics& statistics : results.summaries) batch.add(statistics);
    for (BandStatistics& statistics : results.bands) batch.add(statistics);
    for (PairedDifferences& statistics : results.differences) batch.add(statistics);
    batch.sum();
}

}  // namespace pandemie::cli
