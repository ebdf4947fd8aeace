// A pass over some spectra of a run on several threads, for work that decodes each of them once.
#pragma once

#include <cstddef>
#include <functional>

#include "files/RunChromatogram.h"

class iRunReader;

// The threads a pass over run may use when asked for threads (0: one per core): one unless
// the run's spectra may be decoded concurrently.
int passThreads(const iRunReader& run, int threads);

// Calls work(slot) once for each slot in [0, count), on up to threads threads (the calling
// thread among them), slots handed out in order as threads come free. progress is called on
// the calling thread only, with the slots done so far of count, and last with count == done;
// false from it stops the pass: the slots under way finish and no new ones start. Returns
// false when stopped. What work throws stops the pass too and is thrown again here once every
// thread has ended; work itself must be safe to call from several threads at once.
bool runPass(std::size_t count, int threads, const std::function<void(std::size_t slot)>& work,
             const TChromatogramProgress& progress);
