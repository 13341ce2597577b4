// The page's ensembles, computed away from the page so that it never
// freezes: a request of the page's controls in, reports of the runs done and
// at the end the band courses and the bands' CSV out. Runs are done in
// slices of about a tenth of a second, each followed by a report.
'use strict';

importScripts('pandemie.js');

const ready = createPandemie();
const sliceMilliseconds = 100;

self.onmessage = async ({data: request}) => {
    const module = await ready;
    const job = new module.EnsembleJob(request);
    try {
        const problem = job.problem();
        if (problem) {
            postMessage({kind: 'problem', problem});
            return;
        }
        let slice = 1;
        while (job.done() < job.total()) {
            const started = performance.now();
            job.advance(slice);
            const took = Math.max(performance.now() - started, 1);
            slice = Math.max(1, Math.min(2 * slice, Math.round((slice * sliceMilliseconds) / took)));
            postMessage({kind: 'progress', done: job.done(), total: job.total()});
        }
        postMessage({kind: 'done', request, courses: job.courses(), csv: job.bandsCsv()});
    } finally {
        job.delete();
    }
};
