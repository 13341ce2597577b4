// The cluster of a build without MPI: one process.

#include "cli/cluster.h"

namespace pandemie::cli {

Cluster::Cluster() = default;
Cluster::~Cluster() = default;

int Cluster::rootStatus(int status) const {
    return status;
}

void Cluster::runWithProgress(std::int64_t total, Progress progress, const Work& work) const {
    cli::runWithProgress(total, progress, work);
}

Spread Cluster::spread(int threads) const {
    return threadSpread(threads);
}

void Cluster::sumToRoot(ScenarioResults& /*results*/) const {}

std::vector<RunSummary> Cluster::gatherToRoot(std::vector<RunSummary> summaries) const {
    return summaries;
}

}  // namespace pandemie::cli
