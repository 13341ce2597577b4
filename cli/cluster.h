#pragma once
// The processes of one job. Started by an MPI launcher (mpirun, srun), the
// tool is one of several processes that share the runs; rank 0 alone writes
// files and output. Started otherwise, or built without MPI, it is the only
// process and MPI is never called.

#include <cstdint>
#include <vector>

#include "cli/cluster_arithmetic.h"
#include "cli/progress.h"
#include "model/ensemble.h"
#include "model/fit.h"
#include "model/scenario.h"

namespace pandemie::cli {

class Cluster {
public:
    Cluster();
    ~Cluster();  // NOLINT(performance-trivially-destructible): with MPI it ends the MPI session
    Cluster(const Cluster&) = delete;
    Cluster& operator=(const Cluster&) = delete;
    Cluster(Cluster&&) = delete;
    Cluster& operator=(Cluster&&) = delete;

    [[nodiscard]] bool isRoot() const noexcept { return rank_ == 0; }
    // Whether a launcher started this process, which then forwards its output.
    [[nodiscard]] bool launched() const noexcept { return launched_; }

    // This process's runs.
    [[nodiscard]] RunShare shareOf(std::int64_t runs) const noexcept {
        return shareOfRuns(runs, rank_, size_);
    }

    [[nodiscard]] int processes() const noexcept { return size_; }

    // A fit's work spread over the processes, each with `threads` threads;
    // every process gets all the values. Called from the main thread only.
    [[nodiscard]] Spread spread(int threads) const;

    // Rank 0's status, on every process.
    [[nodiscard]] int rootStatus(int status) const;

    // Runs work on every process; rank 0 shows the progress of all of them.
    void runWithProgress(std::int64_t total, Progress progress, const Work& work) const;

    // On rank 0, the sum of every process's statistics; the others keep theirs.
    void sumToRoot(ScenarioResults& results) const;

    // On rank 0, the summaries of every process in rank order; elsewhere empty.
    [[nodiscard]] std::vector<RunSummary> gatherToRoot(std::vector<RunSummary> summaries) const;

private:
    int rank_ = 0;
    int size_ = 1;
    bool launched_ = false;
};

}  // namespace pandemie::cli
