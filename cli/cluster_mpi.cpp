// The cluster of a build with MPI. Only the main thread calls MPI; the runs
// go on in worker threads meanwhile.

#include <mpi.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <numeric>
#include <type_traits>

#include "cli/cluster.h"

namespace pandemie::cli {

namespace {

constexpr int root = 0;
constexpr int progressTag = 1;  // a process's count of finished runs so far
constexpr int finishedTag = 2;  // its last count, after its work returned

[[nodiscard]] bool isSet(const char* name) {
    return std::getenv(name) != nullptr;
}

// Open MPI's mpirun, or Slurm's srun within a job step (PMI or PMIx); a batch
// script of Slurm outside a step is a single process.
[[nodiscard]] bool startedByLauncher() {
    return isSet("OMPI_COMM_WORLD_SIZE") || isSet("PMI_SIZE") || isSet("PMIX_RANK") ||
           (isSet("SLURM_PROCID") && isSet("SLURM_STEP_ID"));
}

[[nodiscard]] bool joined() {
    int initialized = 0;
    MPI_Initialized(&initialized);
    return initialized != 0;
}

// Every process's count arrives at rank 0, which adds them to its own.
class RootCounter {
public:
    explicit RootCounter(int size) : counts_(static_cast<std::size_t>(size), 0), waiting_(size - 1) {}

    JobCount operator()(std::int64_t localDone, bool localFinished) {
        int arrived = 0;
        MPI_Status status{};
        while (MPI_Iprobe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &arrived, &status) == MPI_SUCCESS &&
               arrived != 0) {
            std::int64_t count = 0;
            MPI_Recv(&count, 1, MPI_INT64_T, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD,
                     MPI_STATUS_IGNORE);
            counts_.at(static_cast<std::size_t>(status.MPI_SOURCE)) = count;
            if (status.MPI_TAG == finishedTag) --waiting_;
        }
        const std::int64_t others = std::accumulate(counts_.begin(), counts_.end(), std::int64_t{0});
        return {localDone + others, localFinished && waiting_ == 0};
    }

private:
    std::vector<std::int64_t> counts_;  // by rank; rank 0's own stays 0
    int waiting_;                       // processes whose last count has not arrived
};

// The other processes send their count when it changed and the previous
// message has gone, and their last one once their work returned.
class SenderCounter {
public:
    JobCount operator()(std::int64_t localDone, bool localFinished) {
        if (localFinished) {
            // The analyser cannot pair a request kept in a member with its
            // MPI_Isend; a null request returns at once.
            MPI_Wait(&pending_, MPI_STATUS_IGNORE);  // NOLINT(clang-analyzer-optin.mpi.MPI-Checker)
            message_ = localDone;
            MPI_Send(&message_, 1, MPI_INT64_T, root, finishedTag, MPI_COMM_WORLD);
            return {localDone, true};
        }
        int gone = 0;
        MPI_Test(&pending_, &gone, MPI_STATUS_IGNORE);
        if (gone != 0 && localDone != message_) {
            message_ = localDone;
            MPI_Isend(&message_, 1, MPI_INT64_T, root, progressTag, MPI_COMM_WORLD, &pending_);
        }
        return {localDone, false};
    }

private:
    MPI_Request pending_ = MPI_REQUEST_NULL;
    std::int64_t message_ = 0;  // stays untouched while a send is pending
};

}  // namespace

Cluster::Cluster() {
    if (!startedByLauncher()) return;
    int provided = MPI_THREAD_SINGLE;
    MPI_Init_thread(nullptr, nullptr, MPI_THREAD_FUNNELED, &provided);
    launched_ = true;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
    if (provided < MPI_THREAD_FUNNELED) {
        if (isRoot()) std::cerr << "pandemie-cli: the MPI library does not allow worker threads\n";
        MPI_Abort(MPI_COMM_WORLD, 1);
    }
}

Cluster::~Cluster() {
    if (joined()) MPI_Finalize();
}

int Cluster::rootStatus(int status) const {
    if (size_ > 1) MPI_Bcast(&status, 1, MPI_INT, root, MPI_COMM_WORLD);
    return status;
}

void Cluster::runWithProgress(std::int64_t total, Progress progress, const Work& work) const {
    if (size_ == 1) return cli::runWithProgress(total, progress, work);
    if (isRoot()) return cli::runWithProgress(total, progress, work, RootCounter(size_));
    cli::runWithProgress(total, Progress::quiet, work, SenderCounter());
}

Spread Cluster::spread(int threads) const {
    if (size_ == 1) return threadSpread(threads);
    return [this, threads](std::int64_t count, const std::function<double(std::int64_t)>& item,
                           std::vector<double>& values) {
        const RunShare mine = shareOf(count);
        std::vector<double> own(static_cast<std::size_t>(mine.count));
        forEachIndex(mine.count, threads,
                     [&](std::int64_t i) { own[static_cast<std::size_t>(i)] = item(mine.first + i); });
        std::vector<int> counts(static_cast<std::size_t>(size_));
        std::vector<int> offsets(static_cast<std::size_t>(size_));
        for (int rank = 0; rank < size_; ++rank) {
            const RunShare share = shareOfRuns(count, rank, size_);
            counts[static_cast<std::size_t>(rank)] = static_cast<int>(share.count);
            offsets[static_cast<std::size_t>(rank)] = static_cast<int>(share.first);
        }
        values.assign(static_cast<std::size_t>(count), 0.0);
        MPI_Allgatherv(own.data(), static_cast<int>(mine.count), MPI_DOUBLE, values.data(), counts.data(),
                       offsets.data(), MPI_DOUBLE, MPI_COMM_WORLD);
    };
}

void Cluster::sumToRoot(ScenarioResults& results) const {
    if (size_ == 1) return;
    sumCounters(results, [this](std::vector<std::uint64_t>& counters) {
        std::vector<std::uint64_t> sums(isRoot() ? counters.size() : 0);
        MPI_Reduce(counters.data(), sums.data(), static_cast<int>(counters.size()), MPI_UINT64_T, MPI_SUM,
                   root, MPI_COMM_WORLD);
        return sums;
    });
}

std::vector<RunSummary> Cluster::gatherToRoot(std::vector<RunSummary> summaries) const {
    if (size_ == 1) return summaries;
    static_assert(std::is_trivially_copyable_v<RunSummary>);
    constexpr int entry = static_cast<int>(sizeof(RunSummary));
    const int bytes = static_cast<int>(summaries.size()) * entry;
    std::vector<int> sizes(isRoot() ? static_cast<std::size_t>(size_) : 0);
    MPI_Gather(&bytes, 1, MPI_INT, sizes.data(), 1, MPI_INT, root, MPI_COMM_WORLD);
    std::vector<int> offsets(sizes.size(), 0);
    if (!sizes.empty()) std::exclusive_scan(sizes.begin(), sizes.end(), offsets.begin(), 0);
    std::vector<RunSummary> all(
        isRoot() ? static_cast<std::size_t>(offsets.back() + sizes.back()) / sizeof(RunSummary) : 0);
    MPI_Gatherv(summaries.data(), bytes, MPI_BYTE, all.data(), sizes.data(), offsets.data(), MPI_BYTE, root,
                MPI_COMM_WORLD);
    return all;
}

}  // namespace pandemie::cli
